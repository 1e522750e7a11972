#pragma once

#include <opencv2/core.hpp>

#include <cstdint>

namespace tl {

// Lays a faint layer of uniform random noise (independent per pixel and channel, alpha included)
// over 8-bit BGR or BGRA pixels: each noise value scaled to 2 % and composited source-over, which
// breaks up banding in smooth gradients. The same seed gives the same noise.
void applyDither(cv::Mat& pixels, std::uint64_t seed);

} // namespace tl
