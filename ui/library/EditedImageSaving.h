#pragma once

#include "app/AppState.h"
#include "platform/Date.h"

#include <optional>
#include <string>

namespace tl::ui {

// "edited_" + the UTC stamp with "-" for ":" + "_" + the frame's file name.
std::string editedImageFileName(const std::string& fileName, Date when);

// Writes an applied edit beside the frame's file (through a temporary file and a rename) and
// points the frame at it with a new thumbnail. No undo step, but the project becomes dirty.
// The failure's text when the file could not be written; nothing otherwise.
std::optional<std::string> saveEditedImage(
    AppState& appState, const std::string& bytes, const WallpaperImage& image, Date when = Date::now());

} // namespace tl::ui
