#include "ui/library/LibraryItemView.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

namespace tl::ui {

QMimeData* LibraryItemView::dragData() const
{
    if (!pressed_.isValid() || !model()) return nullptr;
    return model()->mimeData({ QModelIndex(pressed_) });
}

void LibraryItemView::mousePressEvent(QMouseEvent* event)
{
    pressed_ = indexAt(event->position().toPoint());
    QListView::mousePressEvent(event);
}

void LibraryItemView::startDrag(Qt::DropActions supportedActions)
{
    QMimeData* data = dragData();
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const QRect tile = visualRect(pressed_).intersected(viewport()->rect());
    if (!tile.isEmpty()) {
        drag->setPixmap(viewport()->grab(tile));
        drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - tile.topLeft());
    }
    drag->exec(supportedActions, defaultDropAction());
}

} // namespace tl::ui
