#pragma once

#include "platform/ImageExtent.h"
#include "platform/ImageSource.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <optional>
#include <span>

namespace tl {

// True for classic and big TIFF headers, in either byte order.
bool isTiffFile(std::span<const std::uint8_t> head);

// Decodes a TIFF band by band (a strip's or a tile row's height at a time) to 8-bit sRGB BGR, or
// BGRA with straight alpha when it has alpha. A full decode costs one 8-bit picture; with a
// positive maxLongSide, bands are averaged down as they arrive, so the picture is never held whole.
// Empty when the header states a picture too large to decode or the file does not decode; none
// when its pixels are of a kind read only by the generic decoder (floating-point samples, say),
// its size having been checked.
std::optional<cv::Mat> decodeTiff(const ImageSource& source, int maxLongSide);

// The stored size from the first directory, classic or big; none when it cannot be read.
std::optional<ImageExtent> readTiffExtent(const ImageSource& source);

} // namespace tl
