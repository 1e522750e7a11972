#pragma once

#include "app/AppState.h"
#include "platform/Observation.h"

#include <QMimeData>

#include <optional>

namespace tl::ui {

// The rules of dragging one key image onto another: which items accept a reorder, which item
// shows the insertion marker (`dropTargetId`), and the move itself. Tweens neither take the
// marker nor accept a reorder. GUI thread only.
class ImageReorderDrop {
public:
    ImageReorderDrop(AppState& appState, Observable<std::optional<Uuid>>& dropTargetId);

    // Whether a drag carrying `data` may be dropped on `target` to reorder.
    static bool validate(const WallpaperImage& target, const QMimeData& data);
    // The pointer moved onto or off the item of `target`.
    void entered(const WallpaperImage& target);
    void exited(const WallpaperImage& target);
    // Moves the dragged key image (with its tweens) before `target`. A payload that names no
    // image, or names a tween, moves nothing. False only when a tween is the target or the drag
    // carries no identifier of ours.
    bool perform(const WallpaperImage& target, const QMimeData& data);

private:
    AppState& appState_;
    Observable<std::optional<Uuid>>& dropTargetId_;
};

} // namespace tl::ui
