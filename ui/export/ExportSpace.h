#pragma once

#include "engine/HeicExportOptions.h"
#include "model/WallpaperImage.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tl::ui {

// A safe guess of the size of the wallpaper these images and options give: every frame's pixels
// on the canvas (or its own size after its planned passes, without one) times the most bytes a
// pixel took at this quality in this program's exports. Only the pictures' headers are read.
std::uint64_t estimatedWallpaperBytes(const std::vector<WallpaperImage>& images, const HeicExportOptions& options);

// Why the wallpaper cannot be written to `output`: the estimate and the free space of the file
// system that holds it, when the one is larger than the other; none when it fits or the free
// space cannot be told.
std::optional<std::string> lackOfSpace(const std::filesystem::path& output, std::uint64_t neededBytes);

// "840 KB", "1.2 GB": a size as the file manager shows it.
std::string byteCountText(std::uint64_t bytes);

} // namespace tl::ui
