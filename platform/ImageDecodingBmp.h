#pragma once

#include "platform/ImageSource.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <optional>
#include <span>

namespace tl {

// True when the bytes start like a Windows bitmap.
bool isBmpFile(std::span<const std::uint8_t> head);

// Decodes an uncompressed BMP (1, 4 or 8 bits through its palette, 24 or 32 bits) row by row to
// 8-bit BGR, reading one row of the file at a time: a full decode costs the picture, a preview
// with a positive maxLongSide only the averaged-down result. Empty when its header states a picture
// too large to decode or its rows are cut short; none for compressed and bit-field bitmaps, which
// the generic decoder reads.
std::optional<cv::Mat> decodeBmp(const ImageSource& source, int maxLongSide);

} // namespace tl
