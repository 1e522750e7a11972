#include "engine/desktop/ProjectWallpaper.h"

#include "engine/AppearanceOrder.h"
#include "platform/Text.h"

#include <map>

namespace tl::desktop {

Result<WallpaperSource, DesktopError> projectWallpaper(
    std::string name, const std::vector<WallpaperImage>& images, WallpaperMode mode)
{
    std::vector<WallpaperImage> ordered = images;
    if (mode == WallpaperMode::appearance) {
        if (ordered.size() < 2)
            return DesktopError { DesktopError::Kind::noLayout, "Appearance mode needs a light and a dark image." };
        ordered = lightFirst(std::move(ordered));
        ordered = { ordered[0], ordered[darkPosition(ordered)] };
    }
    if (ordered.empty())
        return DesktopError { DesktopError::Kind::noLayout, "This wallpaper lists no images to show." };

    // Frames that show one file share one image, so each picture is decoded and written once.
    std::vector<std::filesystem::path> files;
    std::map<std::filesystem::path, std::size_t> imageOfFile;
    SolarSchedule schedule;
    for (const WallpaperImage& image : ordered) {
        if (!image.sourcePath)
            return DesktopError { DesktopError::Kind::badImage,
                "The image \"" + image.fileName + "\" has no file to read." };
        const auto [known, added] = imageOfFile.emplace(normalizedPath(*image.sourcePath), files.size());
        if (added) files.push_back(known->first);
        schedule.frames.push_back({ known->second, { image.altitude.value_or(0), image.azimuth.value_or(0) } });
    }
    WallpaperLayout layout = mode == WallpaperMode::appearance
        ? WallpaperLayout { AppearancePair { 0, schedule.frames[1].imageIndex } }
        : WallpaperLayout { std::move(schedule) };
    const std::size_t imageCount = files.size();
    return WallpaperSource { std::move(name), { imageCount, std::move(layout) }, pixelsFromFiles(std::move(files)) };
}

} // namespace tl::desktop
