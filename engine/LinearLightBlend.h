#pragma once

#include <opencv2/core.hpp>

namespace tl {

// Mixes two 8-bit sRGB images of the same size and type (BGR or BGRA) in linear light, the way a
// compositor with a linear working space dissolves: black and white at 0.5 give 188, not 128.
// Factor 0 reproduces `from` and 1 reproduces `to` exactly; alpha mixes linearly.
cv::Mat blendLinearLight(const cv::Mat& from, const cv::Mat& to, double factor);

} // namespace tl
