#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <span>

namespace tl {

// True when the bytes start with the PNG signature.
bool isPngFile(std::span<const std::uint8_t> file);

// Decodes a PNG row by row straight to 8 bits per channel: grey (one channel) for grey pictures
// without transparency, else BGR, or BGRA when the picture has alpha or a transparent colour. A
// full decode costs one 8-bit picture; with a positive maxLongSide, rows are averaged down as they
// arrive (interlaced pictures from their last pass), so the result is at most about twice that on
// its longer side and the full picture is never held. Empty when the file does not decode or its
// header states a picture too large to decode.
cv::Mat decodePng(std::span<const std::uint8_t> file, int maxLongSide);

} // namespace tl
