#include "ui/library/EditedImageSaving.h"

#include "app/PackageFileNames.h"
#include "app/Thumbnail.h"
#include "platform/ExceptionText.h"
#include "platform/FileReplacement.h"
#include "platform/Log.h"

#include <algorithm>

namespace tl::ui {

namespace fs = std::filesystem;

std::string editedImageFileName(const std::string& fileName, Date when)
{
    std::string stamp = iso8601Stamp(when);
    std::ranges::replace(stamp, ':', '-');
    return packageFileName("edited_" + stamp + "_" + fileName);
}

Result<EditedImageFile, std::string> writeEditedImage(const std::string& bytes, const WallpaperImage& image, Date when)
{
    if (!image.sourcePath) {
        log("❌ No source path for image");
        return std::string("No source path for image");
    }
    const fs::path folder = fs::path(*image.sourcePath).parent_path();
    const fs::path file = folder / editedImageFileName(image.fileName, when);
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error) error = replaceFileWithBytes(file, bytes);
    if (error) {
        log("❌ Failed to save edited image: " + error.message());
        return "Failed to save edited image: " + error.message();
    }
    log("✅ Saved edited image to: " + file.string());
    try {
        return EditedImageFile { file, loadThumbnail(file) };
    } catch (...) {
        // The file is written; a thumbnail that cannot be decoded leaves the frame as it is.
        log("❌ Failed to create NSImage from edited data: " + currentExceptionText());
        return EditedImageFile { file, nullptr };
    }
}

void applyEditedImage(AppState& appState, const WallpaperImage& image, const EditedImageFile& edited)
{
    if (!edited.thumbnail) {
        log("❌ Failed to create NSImage from edited data");
        return;
    }
    const auto index = indexOfImage(appState.images.get(), image.id);
    if (!index) return;
    auto images = appState.images.get();
    images[*index].sourcePath = edited.file.string();
    images[*index].thumbnail = edited.thumbnail;
    // The written file is never removed, so redoing after an undo finds it again.
    appState.replaceImages(std::move(images), std::string(editedImageUndoName), true);
    log("✅ Updated image in timeline: " + image.fileName);
}

} // namespace tl::ui
