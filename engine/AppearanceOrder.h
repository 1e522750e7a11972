#pragma once

#include "model/WallpaperImage.h"

#include <cstddef>
#include <vector>

namespace tl {

// The images in light-first order: an image without a flag counts as light, and each group keeps
// its timeline order.
std::vector<WallpaperImage> lightFirst(std::vector<WallpaperImage> images);

// Where, in light-first order, the image shown in dark mode is: the first dark image, or the
// second image when none is flagged dark, since an appearance wallpaper always holds two.
std::size_t darkPosition(const std::vector<WallpaperImage>& lightFirstImages);

} // namespace tl
