#include "engine/AppearanceOrder.h"

#include <algorithm>

namespace tl {

std::vector<WallpaperImage> lightFirst(std::vector<WallpaperImage> images)
{
    std::ranges::stable_sort(images, [](const WallpaperImage& a, const WallpaperImage& b) {
        return a.isLight.value_or(true) && !b.isLight.value_or(true);
    });
    return images;
}

std::size_t darkPosition(const std::vector<WallpaperImage>& lightFirstImages)
{
    const auto dark = std::ranges::find_if(
        lightFirstImages, [](const WallpaperImage& image) { return !image.isLight.value_or(true); });
    return dark == lightFirstImages.end() ? 1 : static_cast<std::size_t>(dark - lightFirstImages.begin());
}

} // namespace tl
