#include "ui/generation/PanelPainting.h"

#include "ui/common/Palette.h"

#include <QPainter>
#include <QPainterPath>

namespace tl::ui {

QRectF panelBounds(const QRect& widgetRect)
{
    return QRectF(widgetRect).adjusted(0.5, 0.5, -0.5, -0.5);
}

void drawFaintPanel(QPainter& painter, const QRectF& bounds, double cornerRadius, const QColor& tint,
    double fillOpacity, const std::function<void()>& drawInside)
{
    QPainterPath shape;
    shape.addRoundedRect(bounds, cornerRadius, cornerRadius);
    painter.fillPath(shape, withOpacity(tint, fillOpacity));
    if (drawInside) drawInside();
    painter.setPen(QPen(withOpacity(tint, 0.2), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
}

QRectF fittedRect(const QSizeF& size, const QRectF& room)
{
    const QSizeF fitted = size.scaled(room.size(), Qt::KeepAspectRatio);
    return { room.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted };
}

} // namespace tl::ui
