#pragma once

#include "engine/SunPosition.h"
#include "engine/desktop/WallpaperSource.h"

#include <opencv2/core.hpp>

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

} // namespace tl::test
