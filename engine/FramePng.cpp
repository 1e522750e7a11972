#include "engine/FramePng.h"

#include "platform/ImageDecoding.h"

namespace tl {

Result<void, HeicGeneratorError> writePNG(const cv::Mat& pixels, const std::filesystem::path& path)
{
    if (!writePng(pixels, path)) return HeicGeneratorError::of(HeicGeneratorError::Kind::fileWriteFailed);
    return {};
}

} // namespace tl
