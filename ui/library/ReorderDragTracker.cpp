#include "ui/library/ReorderDragTracker.h"

#include "ui/common/Palette.h"
#include "ui/library/LibraryDrop.h"
#include "ui/library/TimelineListModel.h"

#include <QDropEvent>
#include <QListView>
#include <QPainter>

#include <algorithm>

namespace tl::ui {
namespace {

constexpr int markerHeight = 3;
// Tiles and rows are drawn 8 points inside their items; the marker is 6 points shorter on each side.
constexpr int markerInset = 8 + 6;

// The insertion capsule; it never takes the pointer's events.
class DropMarker : public QWidget {
public:
    explicit DropMarker(QWidget* parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(accentColor(palette()));
        painter.drawRoundedRect(QRectF(rect()), markerHeight / 2.0, markerHeight / 2.0);
    }
};

bool isReorderDrag(const QMimeData* data)
{
    return data && std::holds_alternative<ReorderDrop>(classifyDrop(*data));
}

} // namespace

ReorderDragTracker::ReorderDragTracker(QListView& view, TimelineListModel& model, ImageReorderDrop& rules,
    Observable<std::optional<Uuid>>& dropTargetId, int markerOffset)
    : QObject(&view)
    , view_(view)
    , viewport_(view.viewport())
    , model_(model)
    , rules_(rules)
    , dropTargetId_(dropTargetId)
    , markerOffset_(markerOffset)
    , marker_(new DropMarker(view.viewport()))
{
    view_.viewport()->installEventFilter(this);
    observation_ = dropTargetId_.observe([this] {
        const QRect place = markerRect();
        marker_->setVisible(!place.isEmpty());
        if (!place.isEmpty()) {
            marker_->setGeometry(place);
            marker_->raise();
        }
    });
}

QRect ReorderDragTracker::markerRect() const
{
    const auto& id = dropTargetId_.get();
    const auto row = id ? model_.rowOf(*id) : std::nullopt;
    if (!row) return {};
    const QRect item = view_.visualRect(model_.index(*row));
    if (!item.isValid()) return {};
    // Above the first row the gap is narrower than the offset; the marker stays in sight.
    const int top = std::max(item.top() - markerOffset_, 0);
    return QRect(item.left() + markerInset, top, item.width() - 2 * markerInset, markerHeight);
}

std::optional<WallpaperImage> ReorderDragTracker::imageAt(const QPoint& position) const
{
    const QModelIndex index = view_.indexAt(position);
    if (!index.isValid()) return std::nullopt;
    return model_.imageAt(index.row());
}

void ReorderDragTracker::hover(std::optional<WallpaperImage> image)
{
    const auto id = [](const std::optional<WallpaperImage>& i) { return i ? std::optional(i->id) : std::nullopt; };
    if (id(image) == id(hovered_)) return;
    if (image) rules_.entered(*image);
    if (hovered_) rules_.exited(*hovered_);
    hovered_ = std::move(image);
}

bool ReorderDragTracker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != viewport_) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (isReorderDrag(drag->mimeData())) hover(imageAt(drag->position().toPoint()));
        return false;
    }
    case QEvent::DragLeave:
        hover(std::nullopt);
        return false;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!isReorderDrag(drop->mimeData())) return false;
        const auto target = imageAt(drop->position().toPoint());
        hover(std::nullopt);
        if (target && rules_.perform(*target, *drop->mimeData())) {
            drop->setDropAction(Qt::MoveAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        // The view must not move rows itself: the store has done the move.
        return true;
    }
    default:
        return false;
    }
}

} // namespace tl::ui
