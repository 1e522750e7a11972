#pragma once

#include <cstddef>
#include <variant>
#include <vector>

namespace tl::desktop {

// Where the sun stands while a frame is shown, in degrees; azimuth clockwise from north.
struct SunPlacement {
    double altitudeDegrees = 0;
    double azimuthDegrees = 0;
};

// Time mode: each listed image is shown while the sun is nearest its position.
struct SolarFrame {
    std::size_t imageIndex = 0;
    SunPlacement sun;
};
struct SolarSchedule {
    std::vector<SolarFrame> frames;
};

// Clock mode: each listed image is shown from a fixed fraction of the day (0 is midnight, 0.5 noon).
struct TimedFrame {
    std::size_t imageIndex = 0;
    double dayFraction = 0;
};
struct TimeOfDaySchedule {
    std::vector<TimedFrame> frames;
};

// Appearance mode: one image for light mode and one for dark mode.
struct AppearancePair {
    std::size_t lightImageIndex = 0;
    std::size_t darkImageIndex = 1;
};

// What a dynamic wallpaper says about its images; monostate when it says nothing.
using WallpaperLayout = std::variant<std::monostate, SolarSchedule, TimeOfDaySchedule, AppearancePair>;

// A dynamic wallpaper's images (counted in file order) and the layout that picks among them.
struct DynamicWallpaper {
    std::size_t imageCount = 0;
    WallpaperLayout layout;
};

} // namespace tl::desktop
