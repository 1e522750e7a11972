#pragma once

#include "engine/desktop/DynamicWallpaper.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace tl::desktop {

// What the XMP packets of a dynamic HEIC say about its `imageCount` images.
struct DynamicHeicMetadata {
    WallpaperLayout layout;
    // Per image: the light flag ("o") a solar table gives it, if any.
    std::vector<std::optional<bool>> solarLight;
};

// Reads the first of "solar", "h24" and "apr" found among `packets` (the file's XMP blocks, the
// primary image's first). A layout of monostate when none is there. Nothing when one is there but
// is not a sound record for `imageCount` images: bad base64 or property list, missing keys, an image
// index outside the file, a position or time that is not a finite angle or day fraction.
std::optional<DynamicHeicMetadata> readDynamicHeicMetadata(
    const std::vector<std::string_view>& packets, std::size_t imageCount);

} // namespace tl::desktop
