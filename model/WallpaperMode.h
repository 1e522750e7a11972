#pragma once

#include "platform/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace tl {

// What the frames of a project carry: sun positions (time) or a light flag (appearance).
enum class WallpaperMode { time, appearance };

inline constexpr std::array allWallpaperModes { WallpaperMode::time, WallpaperMode::appearance };

constexpr std::string_view rawValue(WallpaperMode mode)
{
    return mode == WallpaperMode::time ? "time" : "appearance";
}

// Only the exact raw values name a mode; "Time" does not.
constexpr std::optional<WallpaperMode> wallpaperModeFromRaw(std::string_view raw)
{
    return caseWithRawValue(allWallpaperModes, raw);
}

} // namespace tl
