#pragma once

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QStringList>
#include <QStringView>

class QPainter;

namespace tl::ui {

// Our own glyph set, drawn with QPainter so every size stays crisp. Names follow the
// symbol names the views refer to ("photo", "play.fill", "checkmark.circle.fill", ...).
QStringList symbolNames();
bool hasSymbol(QStringView name);

// Draws the glyph centred in `rect` in `color`; an unknown name draws nothing.
void drawSymbol(QPainter& painter, QStringView name, const QRectF& rect, const QColor& color);

// An icon of the glyph; without a colour it follows the palette's button text.
QIcon symbolIcon(const QString& name, const QColor& color = {});

// Two overlapping frame outlines: the mark of a tween frame.
void drawOnionSkin(QPainter& painter, const QRectF& rect, const QColor& color);

} // namespace tl::ui
