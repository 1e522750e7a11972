#pragma once

#include "model/WallpaperImage.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace tl::ui {

// Where the images of a timeline sit on the 24-hour track below the library.
namespace timeline_track {

// Width of one thumbnail slot on the track, in points.
inline constexpr double slotWidth = 56;

// The image shown at `hour`: images are spread evenly over the day by position, the
// first at 0:00 and the last at 24:00. No value for an empty timeline.
std::optional<std::size_t> indexForHour(double hour, std::size_t count);

// Positions of the images drawn as thumbnails on a track `width` points wide: one slot per
// 56 points, never fewer slots than key images, every key image in a slot of its own.
std::vector<std::size_t> sampledIndices(const std::vector<WallpaperImage>& images, double width);

// Positions of the key images (not tweens), in order.
std::vector<std::size_t> nonTweenIndices(const std::vector<WallpaperImage>& images);

// x of the playhead's centre on a track `width` points wide, kept 5 points inside both ends.
double playheadX(double hour, double width);

// The hour under x on a track `width` points wide, clamped to 0...24.
double hourAt(double x, double width);

} // namespace timeline_track
} // namespace tl::ui
