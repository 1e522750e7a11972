#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <span>

namespace tl {

// True for a RIFF file of the WebP kind.
bool isWebpFile(std::span<const std::uint8_t> file);

// Decodes a still WebP straight to 8-bit BGR, or BGRA when it has alpha. With a positive
// maxLongSide a larger picture is scaled by the decoder while it decodes, so a lossy picture
// never exists at full size (a lossless one still costs one full picture inside the decoder).
// Empty when it does not decode or is animated.
cv::Mat decodeWebp(std::span<const std::uint8_t> file, int maxLongSide);

} // namespace tl
