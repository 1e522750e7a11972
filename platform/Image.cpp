#include "platform/Image.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <fstream>

namespace tl {
namespace {

cv::Mat toBgra8(const cv::Mat& decoded)
{
    cv::Mat eightBit;
    if (decoded.depth() == CV_16U) {
        decoded.convertTo(eightBit, CV_8U, 1.0 / 257.0);
    } else if (decoded.depth() == CV_8U) {
        eightBit = decoded;
    } else if (decoded.depth() == CV_32F || decoded.depth() == CV_64F) {
        // Floating-point pictures (TIFF, HDR, EXR) hold 0...1; brighter values saturate.
        decoded.convertTo(eightBit, CV_8U, 255.0);
    } else {
        decoded.convertTo(eightBit, CV_8U);
    }
    cv::Mat bgra;
    switch (eightBit.channels()) {
    case 1: cv::cvtColor(eightBit, bgra, cv::COLOR_GRAY2BGRA); break;
    case 3: cv::cvtColor(eightBit, bgra, cv::COLOR_BGR2BGRA); break;
    case 4: bgra = eightBit; break;
    default: return {};
    }
    return bgra;
}

// JPEG carries no alpha but often an EXIF orientation, which only the colour
// decode applies; other formats are read as stored so alpha and depth survive.
bool isJpeg(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    char magic[3] = {};
    return file.read(magic, sizeof magic) && magic[0] == '\xFF' && magic[1] == '\xD8' && magic[2] == '\xFF';
}

}  // namespace

Image::Image(cv::Mat bgra) : pixels_(std::move(bgra)) {}

std::shared_ptr<const Image> Image::load(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return nullptr;
    const int flags = isJpeg(path) ? cv::IMREAD_COLOR : cv::IMREAD_UNCHANGED;
    const cv::Mat decoded = cv::imread(path.string(), flags);
    if (decoded.empty()) return nullptr;
    cv::Mat bgra = toBgra8(decoded);
    if (bgra.empty()) return nullptr;
    return std::make_shared<const Image>(std::move(bgra));
}

}  // namespace tl
