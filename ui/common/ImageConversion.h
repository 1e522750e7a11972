#pragma once

#include <QImage>

#include <string_view>

namespace tl {
class Image;
}

namespace tl::ui {

// A QImage sharing nothing with the picture (8-bit BGRA is ARGB32 in memory on our platforms).
QImage toQImage(const Image& image);

// The picture encoded in `bytes`; null when they are no picture Qt can read.
QImage qImageFromBytes(std::string_view bytes);

} // namespace tl::ui
