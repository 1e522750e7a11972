#include "ui/library/TweenButtons.h"

#include "ui/common/Symbols.h"
#include "ui/common/Typography.h"
#include "ui/library/LibraryDelegates.h"
#include "ui/library/TimelineListModel.h"

#include <QCursor>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>

namespace tl::ui {

QPushButton* makeTweenButton(const QString& title, QWidget* parent)
{
    auto* button = new QPushButton(symbolIcon(QStringLiteral("plus.circle")), title, parent);
    button->setFont(styledFont(TextStyle::caption));
    button->setAutoDefault(false);
    button->setCursor(Qt::ArrowCursor);
    return button;
}

TweenHoverButton::TweenHoverButton(QListView& view, TimelineListModel& model, Placement placement,
    std::function<bool(const WallpaperImage&)> canGenerate, std::function<void(const WallpaperImage&)> onGenerate)
    : QObject(&view)
    , view_(view)
    , viewport_(view.viewport())
    , model_(model)
    , placement_(placement)
    , canGenerate_(std::move(canGenerate))
    , onGenerate_(std::move(onGenerate))
    , button_(makeTweenButton(QStringLiteral("Tween"), view.viewport()))
{
    button_->hide();
    view_.setMouseTracking(true);
    view_.viewport()->installEventFilter(this);
    connect(button_, &QPushButton::clicked, this, [this] {
        if (hovered_) onGenerate_(*hovered_);
    });
    // The rows move under a still pointer when the timeline changes.
    connect(&model_, &QAbstractItemModel::modelReset, button_, &QWidget::hide);
}

void TweenHoverButton::hover(const QPoint& position)
{
    const QModelIndex index = view_.indexAt(position);
    if (!index.isValid() || !canGenerate_(model_.imageAt(index.row()))) {
        hovered_.reset();
        button_->hide();
        return;
    }
    hovered_ = model_.imageAt(index.row());
    const QRect item = view_.visualRect(index);
    const QSize size = button_->sizeHint();
    QPoint place;
    if (placement_ == Placement::tile) {
        // Inside the tile's frame (8 + 8 points in), at the foot of its thumbnail.
        place = QPoint(item.left() + 16 + 6, item.top() + 16 + ImageTileDelegate::thumbnailHeight - size.height() - 6);
    } else {
        place = QPoint(item.right() - size.width() - 12, item.center().y() - size.height() / 2);
    }
    button_->setGeometry(QRect(place, size));
    button_->show();
    button_->raise();
}

bool TweenHoverButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != viewport_) return false;
    if (event->type() == QEvent::MouseMove) {
        hover(static_cast<QMouseEvent*>(event)->position().toPoint());
    } else if (event->type() == QEvent::Leave) {
        // Moving onto the button itself leaves the viewport but not the item.
        if (!button_->geometry().contains(viewport_->mapFromGlobal(QCursor::pos()))) {
            hovered_.reset();
            button_->hide();
        }
    }
    return false;
}

} // namespace tl::ui
