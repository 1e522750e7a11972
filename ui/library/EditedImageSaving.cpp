#include "ui/library/EditedImageSaving.h"

#include "app/Thumbnail.h"
#include "platform/FileReplacement.h"
#include "platform/Log.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace tl::ui {
namespace {

namespace fs = std::filesystem;

std::error_code writeBytes(const fs::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return out ? std::error_code {} : std::make_error_code(std::errc::io_error);
}

} // namespace

std::string editedImageFileName(const std::string& fileName, Date when)
{
    std::string stamp = iso8601Stamp(when);
    std::ranges::replace(stamp, ':', '-');
    return "edited_" + stamp + "_" + fileName;
}

std::optional<std::string> saveEditedImage(
    AppState& appState, const std::string& bytes, const WallpaperImage& image, Date when)
{
    if (!image.sourcePath) {
        log("❌ No source path for image");
        return std::string("No source path for image");
    }
    const fs::path folder = fs::path(*image.sourcePath).parent_path();
    const fs::path file = folder / editedImageFileName(image.fileName, when);
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error)
        error = replaceFileThroughTemporary(
            file, [&](const fs::path& temporary) { return writeBytes(temporary, bytes); });
    if (error) {
        log("❌ Failed to save edited image: " + error.message());
        return "Failed to save edited image: " + error.message();
    }
    log("✅ Saved edited image to: " + file.string());

    auto thumbnail = loadThumbnail(file);
    if (!thumbnail) {
        log("❌ Failed to create NSImage from edited data");
        return std::nullopt;
    }
    const auto index = indexOfImage(appState.images.get(), image.id);
    if (!index) return std::nullopt;
    appState.images.mutate([&](std::vector<WallpaperImage>& images) {
        images[*index].sourcePath = file.string();
        images[*index].thumbnail = std::move(thumbnail);
    });
    appState.isDirty = true;
    log("✅ Updated image in timeline: " + image.fileName);
    return std::nullopt;
}

} // namespace tl::ui
