#pragma once

#include "engine/HeicGeneratorError.h"
#include "platform/Result.h"

#include <opencv2/core.hpp>

#include <filesystem>

namespace tl {

// Writes a working frame (8-bit BGR or BGRA) as PNG, replacing any file there whole.
Result<void, HeicGeneratorError> writePNG(const cv::Mat& pixels, const std::filesystem::path& path);

} // namespace tl
