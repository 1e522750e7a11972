#pragma once

#include "engine/SunPosition.h"
#include "engine/desktop/WallpaperSource.h"

#include <gnome-bg/gnome-bg-slide-show.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#include <opencv2/core.hpp>

#include <string>

#include <memory>
#include <vector>

namespace tl::test {

// A wallpaper whose image i is a flat picture of grey level `levels[i]`, 48 x 27 pixels.
inline desktop::ImagePixels flatImages(std::vector<int> levels)
{
    auto shared = std::make_shared<const std::vector<int>>(std::move(levels));
    return [shared](std::size_t index) -> Result<cv::Mat, desktop::DesktopError> {
        return cv::Mat(27, 48, CV_8UC3, cv::Scalar::all(shared->at(index)));
    };
}

inline desktop::SunPlacement sunAt(Date instant, double latitude, double longitude)
{
    const SunPosition sun = sunPosition(instant, TimeZone::utc(), latitude, longitude);
    return { sun.elevation, sun.azimuth };
}

// GNOME's slideshow reader loses a few bytes of its own when a slideshow is freed, which no code
// of ours can give back: the leak checker looks away while one lives.
#if defined(__SANITIZE_ADDRESS__)
using GnomeReaderLeaksIgnored = __lsan::ScopedDisabler;
#else
struct GnomeReaderLeaksIgnored {
    ~GnomeReaderLeaksIgnored() { } // a guard like the real one, so no unused variable
};
#endif

// The file GNOME's own reader shows first in a slideshow, or "" when it cannot read the slideshow.
inline std::string firstSlideFile(const std::filesystem::path& slideshow)
{
    const GnomeReaderLeaksIgnored ignored;
    g_autoptr(GnomeBGSlideShow) show = gnome_bg_slide_show_new(slideshow.c_str());
    if (!gnome_bg_slide_show_load(show, nullptr)) return "";
    double progress = 0, duration = 0;
    gboolean fixed = FALSE;
    const char* from = nullptr;
    const char* to = nullptr;
    if (!gnome_bg_slide_show_get_slide(show, 0, 1920, 1080, &progress, &duration, &fixed, &from, &to)) return "";
    return from ? from : "";
}

} // namespace tl::test
