#include "engine/desktop/ProjectWallpaper.h"

#include "engine/AppearanceOrder.h"

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

    std::vector<std::filesystem::path> files;
    SolarSchedule schedule;
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        if (!ordered[i].sourcePath)
            return DesktopError { DesktopError::Kind::badImage,
                "The image \"" + ordered[i].fileName + "\" has no file to read." };
        files.emplace_back(*ordered[i].sourcePath);
        schedule.frames.push_back({ i, { ordered[i].altitude.value_or(0), ordered[i].azimuth.value_or(0) } });
    }
    WallpaperLayout layout = mode == WallpaperMode::appearance ? WallpaperLayout { AppearancePair { 0, 1 } }
                                                               : WallpaperLayout { std::move(schedule) };
    return WallpaperSource { std::move(name), { ordered.size(), std::move(layout) },
        pixelsFromFiles(std::move(files)) };
}

} // namespace tl::desktop
