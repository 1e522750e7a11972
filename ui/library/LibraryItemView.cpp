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
    QMimeData* mime = dragData();
    if (!mime) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    const QRect tile = visualRect(pressed_).intersected(viewport()->rect());
    if (!tile.isEmpty()) {
        drag->setPixmap(viewport()->grab(tile));
        drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - tile.topLeft());
    }
    drag->exec(supportedActions, defaultDropAction());
}

} // namespace tl::ui
