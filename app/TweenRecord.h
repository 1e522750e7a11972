#pragma once

#include "model/WallpaperImage.h"
#include "model/WallpaperMode.h"

#include <filesystem>

namespace tl {

// Where a blended frame sits between two key images: the `number`-th (from 1) of `count`.
struct TweenStep {
    int number;
    int count; // below 1 counts as 1
};

// The timeline record of one written tween file between `source` and the image it blends
// towards. In time mode the sun position and hour move from the source's to the target's (hours
// always forward through the day, the azimuth the short way round); in appearance mode the frame
// keeps the source's light flag. No thumbnail: decoding it is the caller's, off the GUI thread.
WallpaperImage makeTweenRecord(const WallpaperImage& source, const WallpaperImage& target, TweenStep step,
    WallpaperMode mode, const std::filesystem::path& file);

} // namespace tl
