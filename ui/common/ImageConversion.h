#pragma once

#include <QImage>

namespace tl {
class Image;
}

namespace tl::ui {

// A QImage sharing nothing with the picture (8-bit BGRA is ARGB32 in memory on our platforms).
QImage toQImage(const Image& image);

} // namespace tl::ui
