#pragma once

#include <QImage>
#include <QRectF>

class QPainter;

namespace tl::ui {

// A picture scaled to fill `rect` (aspect kept, overflow cut) inside rounded corners; without a
// picture, the grey placeholder with the "photo" glyph.
void drawThumbnail(QPainter& painter, const QRectF& rect, const QImage& picture, double cornerRadius);

// The tween mark: the onion-skin glyph in white on a dark patch, set in 6 points from the
// top-right corner of `rect`.
void drawTweenBadge(QPainter& painter, const QRectF& rect);

} // namespace tl::ui
