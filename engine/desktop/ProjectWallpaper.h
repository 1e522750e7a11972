#pragma once

#include "engine/desktop/WallpaperSource.h"
#include "model/WallpaperImage.h"
#include "model/WallpaperMode.h"

#include <string>
#include <vector>

namespace tl::desktop {

// The wallpaper an export of these images writes, read from the images' own files: time mode lists
// every image in timeline order at its sun position; appearance mode puts the first light image
// first and the first dark one second, as the light and dark pair.
Result<WallpaperSource, DesktopError> projectWallpaper(
    std::string name, const std::vector<WallpaperImage>& images, WallpaperMode mode);

} // namespace tl::desktop
