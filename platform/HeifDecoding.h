#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <span>

namespace tl {

// True for the HEIF family (HEIC, HEIF, AVIF) that libheif reads.
bool isHeifFile(std::span<const std::uint8_t> file);

// The primary image as 8-bit sRGB BGR, or BGRA when it has alpha; empty when it does not decode.
// With a positive previewLongSide, an embedded thumbnail at least that large is decoded instead, and
// the picture is made no larger than that on its longer side.
cv::Mat decodeHeif(std::span<const std::uint8_t> file, int previewLongSide = 0);

} // namespace tl
