#include "platform/Image.h"

#include "platform/ImageDecoding.h"

#include <opencv2/imgproc.hpp>

namespace tl {
namespace {

std::shared_ptr<const Image> fromDecoded(const cv::Mat& decoded)
{
    if (decoded.empty()) return nullptr;
    if (decoded.channels() == 4) return std::make_shared<const Image>(decoded);
    cv::Mat bgra;
    cv::cvtColor(decoded, bgra, cv::COLOR_BGR2BGRA);
    return std::make_shared<const Image>(std::move(bgra));
}

} // namespace

Image::Image(cv::Mat bgra)
    : pixels_(std::move(bgra))
{
}

std::shared_ptr<const Image> Image::load(const std::filesystem::path& path)
{
    return fromDecoded(decodeImageFile(path));
}

std::shared_ptr<const Image> Image::loadPreview(const std::filesystem::path& path, int maxLongSide)
{
    return fromDecoded(decodePreview(path, maxLongSide));
}

} // namespace tl
