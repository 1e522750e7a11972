#pragma once

#include "app/TimeOfDayTable.h"
#include "model/WallpaperImage.h"
#include "platform/Result.h"
#include "ui/generation/RunError.h"

#include <filesystem>
#include <string>

namespace tl::ui {

// Creates a run's working folder with the folders above it.
Result<void, RunError> makeFolder(const std::filesystem::path& folder);

// Writes the bytes unchanged to `file` (through a temporary beside it) and makes the key-frame
// record with the row's sun position; fails when the bytes do not decode as a picture.
Result<WallpaperImage, RunError> saveKeyFrame(
    const std::string& bytes, const std::filesystem::path& file, const TimeOfDayRow& row);

} // namespace tl::ui
