#pragma once

#include "engine/desktop/DynamicWallpaper.h"
#include "platform/Result.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tl::desktop {

// Why a dynamic HEIC was not read; `message()` is what the user is told.
struct DynamicHeicError {
    enum class Kind { unreadable, noImages, tooManyImages, damagedMetadata, oversizedMetadata, imageNotDecoded };
    Kind kind = Kind::unreadable;
    std::size_t imageIndex = 0; // imageNotDecoded: the image, counted from 0 in file order

    std::string message() const;
    friend bool operator==(const DynamicHeicError&, const DynamicHeicError&) = default;
};

// A HEIC file read as a dynamic wallpaper: its top-level images in file order and what its desktop
// metadata ("solar", "h24" or "apr" in the XMP) says about them. Pixels are decoded one image at a
// time, on request, by the same decoders and within the same memory budget as every other picture.
class DynamicHeicReader {
public:
    // More images than any wallpaper holds; a file claiming more is refused before anything is decoded.
    static constexpr std::size_t largestImageCount = 256;

    static Result<DynamicHeicReader, DynamicHeicError> open(const std::filesystem::path& file);

    const DynamicWallpaper& wallpaper() const { return wallpaper_; }
    // Per image: the light flag a solar table gives it, if any.
    const std::vector<std::optional<bool>>& solarLight() const { return solarLight_; }

    // 8-bit sRGB BGR (BGRA with alpha) pixels of image `index`, counted in file order. Safe to call
    // from several threads; the decodes take turns, since each makes its image the file's primary
    // one for the decoder (a copy of the file per decode could cost a gigabyte each).
    Result<cv::Mat, DynamicHeicError> decodeImage(std::size_t index) const;

private:
    DynamicHeicReader() = default;

    struct File {
        std::mutex turn;
        std::vector<std::uint8_t> bytes;
    };
    std::shared_ptr<File> file_;
    std::vector<std::uint32_t> imageIds_;
    // Where the file names its primary image; each image is decoded as the primary of a copy.
    std::size_t primaryIdOffset_ = 0;
    std::size_t primaryIdWidth_ = 0;
    DynamicWallpaper wallpaper_;
    std::vector<std::optional<bool>> solarLight_;
};

} // namespace tl::desktop
