#pragma once

#include "app/AppState.h"
#include "platform/Date.h"
#include "platform/Image.h"
#include "platform/Result.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace tl::ui {

// "edited_" + the UTC stamp with "-" for ":" + "_" + the frame's file name, shortened as a
// package's file names are when that is longer than a file name may be.
std::string editedImageFileName(const std::string& fileName, Date when);

// An applied edit as written beside its frame's file.
struct EditedImageFile {
    std::filesystem::path file;
    std::shared_ptr<const Image> thumbnail; // none when the written bytes do not decode
};

// Writes an applied edit beside the frame's file (through a temporary file and a rename, every
// write checked) and decodes its thumbnail. Blocking, for a worker thread; the failure's text
// when the file could not be written.
Result<EditedImageFile, std::string> writeEditedImage(
    const std::string& bytes, const WallpaperImage& image, Date when = Date::now());

// The undo step of an applied edit, named as the sheet's button.
inline constexpr std::string_view editedImageUndoName = "Apply Changes";

// GUI thread: points the frame at the written file with its new thumbnail, as one undoable step that
// makes the project dirty. A frame deleted meanwhile, or a picture that did not decode, is left alone.
void applyEditedImage(AppState& appState, const WallpaperImage& image, const EditedImageFile& edited);

} // namespace tl::ui
