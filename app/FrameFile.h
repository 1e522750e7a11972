#pragma once

#include "model/WallpaperImage.h"
#include "model/WallpaperMode.h"

#include <filesystem>
#include <optional>

namespace tl {

// A new timeline frame for an image file, with a bounded thumbnail, or none (and a logged
// line) when the file cannot be read or is not an image. Blocking; safe on any thread.
std::optional<WallpaperImage> readFrameFile(const std::filesystem::path& file);

// Gives a newly added frame the placement its project's mode starts it with.
void setNewFrameDefaults(WallpaperImage& image, WallpaperMode mode);

} // namespace tl
