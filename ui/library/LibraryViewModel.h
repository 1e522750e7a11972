#pragma once

#include "app/AppState.h"
#include "app/AppUIState.h"
#include "platform/Observation.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace tl::ui {

// How a click on a library item was modified. Shift wins over Ctrl.
struct ClickModifiers {
    bool shift = false;
    bool command = false;
};

// The image a manual tween run would blend towards, and where its tweens would go.
struct TweenTarget {
    WallpaperImage target;
    std::size_t insertIndex;
};

enum class LibraryMenuItem { editWithAI, generateTweens, divider, deleteImage };

// The images library's decisions: what a click selects, what a double click shows, which
// menu items an image offers, how the timeline strip is resized. Reads and changes the
// project only through the state store. GUI thread only.
class LibraryViewModel {
public:
    static constexpr double initialTimelineHeight = 192;
    static constexpr double minimumTimelineHeight = 80;
    static constexpr double maximumTimelineHeight = 400;

    LibraryViewModel(AppState& appState, AppUIState& uiState);
    LibraryViewModel(const LibraryViewModel&) = delete;
    LibraryViewModel& operator=(const LibraryViewModel&) = delete;

    Observable<double> previewHour { 12.0 };
    Observable<double> timelineHeight { initialTimelineHeight };
    Observable<bool> isDraggingTimeline { false };
    Observable<bool> isDropTargeted { false };
    // The image whose item shows the reorder marker.
    Observable<std::optional<Uuid>> dropTargetId;

    std::optional<TweenTarget> tweenTarget(const WallpaperImage& source) const;
    bool canAutoTween() const;
    bool canGenerateTweensForSelection() const;
    // The strip below the layouts is shown in time mode while there are images.
    bool showsTimeline() const;

    void handleClick(const Uuid& id, ClickModifiers modifiers);
    // Shows the clicked image in the single layout. The hour moves first, so the scrubber's
    // own selection of the image at that hour is replaced by the clicked image, not after it.
    void handleDoubleClick(const Uuid& id);

    std::vector<LibraryMenuItem> contextMenu(const WallpaperImage& image, LibraryViewMode layout) const;
    void deleteImage(const Uuid& id);

    // Vertical drag of the strip's resize handle, as the total movement since the drag began
    // (downwards positive). The height follows the pointer from the height the drag began at.
    void timelineResizeChanged(double translationY);
    void timelineResizeEnded();

private:
    AppState& appState_;
    AppUIState& uiState_;
    std::optional<double> dragStartHeight_;
};

} // namespace tl::ui
