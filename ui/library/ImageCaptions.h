#pragma once

#include "model/WallpaperImage.h"
#include "model/WallpaperMode.h"

#include <optional>
#include <string_view>

#include <QString>

namespace tl::ui {

// The name of the time-of-day preset an image's sun position matches ("Golden AM", "Dusk"),
// in time mode only; an absent altitude or azimuth counts as 0.
std::optional<std::string_view> presetLabel(const WallpaperImage& image, WallpaperMode mode);

// The line under an image's name: its sun position in time mode, "Light" or "Dark" otherwise.
QString imageCaption(const WallpaperImage& image, WallpaperMode mode);

} // namespace tl::ui
