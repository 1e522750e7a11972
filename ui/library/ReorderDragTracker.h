#pragma once

#include "app/AppState.h"
#include "platform/Observation.h"
#include "ui/library/ImageReorderDrop.h"

#include <QObject>
#include <QPointer>

#include <optional>

class QListView;

namespace tl::ui {

class TimelineListModel;

// Follows a reorder drag over one item view: tells the drop rules which item the pointer is on,
// draws the insertion marker above the item `dropTargetId` names, and performs reorder drops
// itself. File drops pass on to the view and its model, which import them.
class ReorderDragTracker : public QObject {
    Q_OBJECT
public:
    // `markerOffset`: how far above the item's top edge the 3-point marker sits.
    ReorderDragTracker(QListView& view, TimelineListModel& model, ImageReorderDrop& rules,
        Observable<std::optional<Uuid>>& dropTargetId, int markerOffset);

    // Where the marker is drawn, in viewport coordinates; empty when it is hidden.
    QRect markerRect() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<WallpaperImage> imageAt(const QPoint& position) const;
    void hover(std::optional<WallpaperImage> image);

    QListView& view_;
    // Kept apart from the view: its events still arrive while the view is half destroyed.
    QWidget* const viewport_;
    TimelineListModel& model_;
    ImageReorderDrop& rules_;
    Observable<std::optional<Uuid>>& dropTargetId_;
    int markerOffset_;
    QWidget* marker_;
    std::optional<WallpaperImage> hovered_;
    Observation observation_;
};

} // namespace tl::ui
