#include "app/FrameFile.h"

#include "app/PackageFileNames.h"
#include "app/Thumbnail.h"
#include "platform/Log.h"

#include <unistd.h>

namespace tl {

std::optional<WallpaperImage> readFrameFile(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error) || ::access(file.c_str(), R_OK) != 0) {
        log("Cannot read file at: " + file.string());
        return std::nullopt;
    }
    auto thumbnail = loadThumbnail(file);
    if (!thumbnail) {
        log("Failed to load image from: " + file.string());
        return std::nullopt;
    }
    return WallpaperImage {
        .id = Uuid::random(),
        .fileName = packageFileName(file),
        .sourcePath = file.string(),
        .thumbnail = std::move(thumbnail),
    };
}

void setNewFrameDefaults(WallpaperImage& image, WallpaperMode mode)
{
    if (mode == WallpaperMode::time) {
        image.altitude = 0.0;
        image.azimuth = 0.0;
    } else {
        image.isLight = true;
    }
}

} // namespace tl
