#include "ui/library/CellPainting.h"

#include "ui/common/Palette.h"
#include "ui/common/Symbols.h"

#include <QPainter>
#include <QPainterPath>

namespace tl::ui {

void drawThumbnail(
    QPainter& painter, const QRectF& rect, const QImage& picture, double cornerRadius, PictureScaling scaling)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (picture.isNull()) {
        QPainterPath clip;
        clip.addRoundedRect(rect, cornerRadius, cornerRadius);
        painter.setClipPath(clip);
        painter.fillRect(rect, withOpacity(QColor(Qt::gray), 0.2));
        const double side = std::min(rect.width(), rect.height()) * 0.4;
        drawSymbol(painter, u"photo", QRectF(rect.center() - QPointF(side / 2, side / 2), QSizeF(side, side)),
            secondaryColor());
    } else {
        const QSizeF scaled
            = QSizeF(picture.size())
                  .scaled(rect.size(),
                      scaling == PictureScaling::fill ? Qt::KeepAspectRatioByExpanding : Qt::KeepAspectRatio);
        const QRectF target(rect.center() - QPointF(scaled.width() / 2, scaled.height() / 2), scaled);
        QPainterPath clip;
        clip.addRoundedRect(rect.intersected(target), cornerRadius, cornerRadius);
        painter.setClipPath(clip);
        painter.drawImage(target, picture);
    }
    painter.restore();
}

void drawTweenBadge(QPainter& painter, const QRectF& rect)
{
    const QRectF patch(rect.right() - 6 - 22, rect.top() + 6, 22, 20);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 153));
    painter.drawRoundedRect(patch, 10, 10);
    drawOnionSkin(painter, patch.adjusted(4, 4, -4, -4), Qt::white);
    painter.restore();
}

} // namespace tl::ui
