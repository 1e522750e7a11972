#include "extensions/preview/FrameView.h"

#include <QPainter>

namespace tl::preview {

FrameView::FrameView(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void FrameView::setImage(const QImage& image)
{
    image_ = image;
    scaled_ = {};
    update();
}

void FrameView::paintEvent(QPaintEvent*)
{
    if (image_.isNull()) return;
    const QSize target = image_.size().scaled(size(), Qt::KeepAspectRatio).boundedTo(image_.size());
    if (target.isEmpty()) return;
    if (scaled_.size() != target) {
        scaled_ = QPixmap::fromImage(
            target == image_.size() ? image_ : image_.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    QPainter painter(this);
    const QRect frame(QPoint((width() - target.width()) / 2, (height() - target.height()) / 2), target);
    painter.drawPixmap(frame, scaled_);
}

} // namespace tl::preview
