#pragma once

#include <QListView>
#include <QPersistentModelIndex>

class QMimeData;

namespace tl::ui {

// The library's grid and list. A drag carries the tile it began on: several tiles may be
// selected, and the base view would hand all of them to the model, which takes one.
class LibraryItemView : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;

    // What a drag starting now carries: the pressed tile's image, or nothing (a tween, no tile).
    QMimeData* dragData() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    QPersistentModelIndex pressed_;
};

} // namespace tl::ui
