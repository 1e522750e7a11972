#pragma once

#include "engine/LocationProvider.h"
#include "model/WallpaperMode.h"
#include "platform/Observation.h"

#include <QScrollArea>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QLabel;

namespace tl {
class AppState;
}

namespace tl::ui {

class ImageMetadataEditor;
class LibraryContext;
class PresetsView;
class SolarDebugView;
class ThumbnailCache;

// Makes the location service of a new sun preview.
using LocationProviderFactory = std::function<std::unique_ptr<LocationProvider>()>;

// The inspector's scrolling column: "No Selection" without a selected image,
// otherwise the mode picker, the presets, the metadata editor and, in time
// mode, the sun preview. The sections are built afresh when an image becomes
// selected or the mode changes, so the sun preview's typed place is dropped on
// leaving time mode or the selection.
class InspectorView final : public QScrollArea {
    Q_OBJECT
public:
    InspectorView(LibraryContext& context, LocationProviderFactory makeLocation, QWidget* parent = nullptr);

    // What is on screen now; null when absent.
    PresetsView* presets() const { return presets_; }
    ImageMetadataEditor* editor() const { return editor_; }
    SolarDebugView* solarView() const { return solarView_; }
    QAbstractButton* modeButton(WallpaperMode mode) const;
    bool showsEmptyState() const { return !shown_ || !shown_->hasImage; }
    // Why the selected image's picture cannot be shown; hidden when it can.
    QLabel* pictureProblem() const { return problem_; }

private:
    struct Layout {
        bool hasImage;
        WallpaperMode mode;
        friend bool operator==(const Layout&, const Layout&) = default;
    };
    void refresh();
    void build(const Layout& layout);
    QWidget* makeEmptyState();
    QWidget* makeModeHeader();
    void showPictureProblem();

    AppState& appState_;
    ThumbnailCache& thumbnails_;
    LocationProviderFactory makeLocation_;
    std::optional<Layout> shown_;
    QLabel* problem_ = nullptr;
    PresetsView* presets_ = nullptr;
    ImageMetadataEditor* editor_ = nullptr;
    SolarDebugView* solarView_ = nullptr;
    QButtonGroup* modes_ = nullptr;
    std::vector<Observation> observations_;
};

} // namespace tl::ui
