#pragma once

#include "engine/desktop/DesktopError.h"
#include "engine/desktop/DynamicWallpaper.h"
#include "platform/Result.h"

#include <opencv2/core.hpp>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tl::desktop {

// The pixels of one image (8-bit BGR or BGRA), asked for one at a time so a large wallpaper is
// never held whole in memory.
using ImagePixels = std::function<Result<cv::Mat, DesktopError>(std::size_t imageIndex)>;

// Called after each image is written: how many are done, of how many.
using DesktopProgress = std::function<void(std::size_t done, std::size_t total)>;

// What a desktop writer works from: the wallpaper's name (its folder's name), its layout and its images.
struct WallpaperSource {
    std::string name;
    DynamicWallpaper wallpaper;
    ImagePixels pixels;
};

// Image pixels read from files through the shared decoders, one file per image in file order.
ImagePixels pixelsFromFiles(std::vector<std::filesystem::path> files);

// A folder name made from a wallpaper's name: valid UTF-8, no separators or control characters, no leading dot.
std::string folderName(std::string_view name);

// Writes the pixels losslessly as PNG; returns the pixel size.
Result<cv::Size, DesktopError> writeFullQualityImage(const cv::Mat& pixels, const std::filesystem::path& file);

// A file's text written whole: written beside and renamed into place.
Result<void, DesktopError> writeTextFile(const std::filesystem::path& file, std::string_view text);

} // namespace tl::desktop
