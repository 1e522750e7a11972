#pragma once

#include "engine/LocationProvider.h"
#include "engine/TimeZone.h"
#include "model/WallpaperImage.h"
#include "model/WallpaperMode.h"
#include "platform/Result.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace tl {

// A dynamic HEIC turned into the timeline of a new project.
struct ImportedWallpaper {
    // One frame per image of the file, in the file's order, each a PNG in the working folder.
    std::vector<WallpaperImage> images;
    WallpaperMode mode = WallpaperMode::time;
    // What the user is told about how the frames got (or did not get) their places.
    std::optional<std::string> notice;
};

struct WallpaperImportError {
    std::string message;
    bool cancelled = false;
};

// Where and in which clock the times of a clock-time wallpaper are turned into sun positions.
struct ClockPlace {
    Location location;
    TimeZone zone;
};

// The place used when the user's is unknown: the one the timeline's hours are read against, so the
// frames land on the hours the file gives.
ClockPlace referenceClockPlace();

// Reads `heic`, writes each image as a PNG into `workingFolder` (which must exist) and gives
// each frame its sun position ("solar"), its light/dark role ("apr"), or the sun position at its
// clock time on the spring equinox at `place` ("h24"). Blocking; checks `stop` between images
// and reports (images done, image count) after each.
Result<ImportedWallpaper, WallpaperImportError> importDynamicWallpaper(const std::filesystem::path& heic,
    const std::filesystem::path& workingFolder, const std::optional<ClockPlace>& place, std::stop_token stop = {},
    const std::function<void(std::size_t, std::size_t)>& progress = {});

// Whether a chosen file is one to import as a dynamic wallpaper rather than open as a package.
bool isDynamicWallpaperFile(const std::filesystem::path& path);
// What the open panel opens for a chosen path: a project package, or a dynamic HEIC file.
std::optional<std::filesystem::path> openableForSelection(const std::filesystem::path& selection);

} // namespace tl
