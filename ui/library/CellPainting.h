#pragma once

#include <QImage>
#include <QRectF>

class QPainter;

namespace tl::ui {

// How a picture meets its frame: filling it with the overflow cut, or whole inside it.
enum class PictureScaling { fill, fit };

// A picture scaled into `rect` (aspect kept) inside rounded corners; a fitted picture gets its
// corners on its own outline. Without a picture, the grey placeholder with the "photo" glyph.
void drawThumbnail(QPainter& painter, const QRectF& rect, const QImage& picture, double cornerRadius,
    PictureScaling scaling = PictureScaling::fill);

// The tween mark: the onion-skin glyph in white on a dark patch, set in 6 points from the
// top-right corner of `rect`.
void drawTweenBadge(QPainter& painter, const QRectF& rect);

} // namespace tl::ui
