#pragma once

#include "engine/desktop/WallpaperSource.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tl::desktop {

// <dataHome>/wallpapers/NAME, where Plasma looks for the user's wallpaper packages.
std::filesystem::path userPlasmaFolder(const std::filesystem::path& dataHome, std::string_view name);

// A written Plasma wallpaper package; `notes` tell the user what Plasma will not show.
struct PlasmaWallpaper {
    std::filesystem::path package;
    std::vector<std::filesystem::path> written;
    std::vector<std::string> notes;
};

// Plasma's picture wallpaper knows a light and a dark image only: appearance mode is written as it is,
// time mode as its brightest frame (light) and its darkest (dark).
Result<PlasmaWallpaper, DesktopError> writePlasmaPackage(
    const WallpaperSource& source, const std::filesystem::path& packageFolder, const DesktopProgress& progress = {});

// The package's metadata.json.
std::string plasmaMetadataJson(std::string_view id, std::string_view name);

} // namespace tl::desktop
