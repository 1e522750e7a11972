#pragma once

#include "model/WallpaperImage.h"
#include "model/WallpaperMode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tl {

// The record a project package stores as "project.json".
struct Project {
    std::string version;
    WallpaperMode mode = WallpaperMode::time;
    std::vector<WallpaperImage> images {};
    // The AI generation sheet's last settings.
    std::optional<std::string> magicPrompt {};
    std::optional<std::string> magicSize {};
    std::optional<std::int64_t> magicTweenCount {};
    std::optional<std::string> magicStartingImageFileName {};
};

} // namespace tl
