#pragma once

#include <QColor>
#include <QRectF>
#include <QSizeF>

#include <functional>

class QPainter;

namespace tl::ui {

// A widget's rect pulled in half a pixel, so a one-pixel outline on it lands on whole pixels.
QRectF panelBounds(const QRect& widgetRect);

// The faint rounded panel the sheet's wells and fields sit on: `bounds` filled with `tint` at
// `fillOpacity`, then `drawInside`, then a thin outline over both.
void drawFaintPanel(QPainter& painter, const QRectF& bounds, double cornerRadius, const QColor& tint,
    double fillOpacity, const std::function<void()>& drawInside = {});

// A picture of `size` scaled to fit `room` whole, aspect kept, centred in it.
QRectF fittedRect(const QSizeF& size, const QRectF& room);

} // namespace tl::ui
