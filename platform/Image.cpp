#include "platform/Image.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace tl {
namespace {

cv::Mat toBgra8(const cv::Mat& decoded)
{
    cv::Mat eightBit;
    if (decoded.depth() == CV_16U) {
        decoded.convertTo(eightBit, CV_8U, 1.0 / 257.0);
    } else if (decoded.depth() == CV_8U) {
        eightBit = decoded;
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

}  // namespace

Image::Image(cv::Mat bgra) : pixels_(std::move(bgra)) {}

std::shared_ptr<const Image> Image::load(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return nullptr;
    const cv::Mat decoded = cv::imread(path.string(), cv::IMREAD_UNCHANGED);
    if (decoded.empty()) return nullptr;
    cv::Mat bgra = toBgra8(decoded);
    if (bgra.empty()) return nullptr;
    return std::make_shared<const Image>(std::move(bgra));
}

}  // namespace tl
