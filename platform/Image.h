#pragma once

#include <opencv2/core.hpp>

#include <filesystem>
#include <memory>

namespace tl {

// A decoded picture, 8-bit sRGB BGRA, shared read-only once loaded.
class Image {
public:
    explicit Image(cv::Mat bgra);

    // No value when the file is missing or is not an image we can decode (see decodeImageFile).
    static std::shared_ptr<const Image> load(const std::filesystem::path& path);
    // A picture no larger than maxLongSide pixels on its longer side, for thumbnails; cheaper than
    // load() for large files.
    static std::shared_ptr<const Image> loadPreview(const std::filesystem::path& path, int maxLongSide);

    int width() const { return pixels_.cols; }
    int height() const { return pixels_.rows; }
    const cv::Mat& pixels() const { return pixels_; }

private:
    cv::Mat pixels_;
};

} // namespace tl
