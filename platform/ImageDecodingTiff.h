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

// Decodes a TIFF to 8-bit sRGB BGR, or BGRA with straight alpha when it has alpha, reading strips a
// scanline at a time and tiles a row of tiles at a time, so every strip and tile is decoded once
// however large. Integer samples of 1 to 16 bits and floating-point samples (0 to 1) are read this
// way; other kinds go through libtiff's RGBA conversion a whole strip or tile row at a time. A
// full decode costs one 8-bit picture; with a positive maxLongSide, rows are averaged down as they
// arrive, so the picture is never held whole. Empty when the header states a picture too large to
// decode, a tile row or converted strip beyond 256 MB, or the file does not decode; none when its
// pixels are of a kind read only by the generic decoder (signed samples, say), its size having
// been checked.
std::optional<cv::Mat> decodeTiff(const ImageSource& source, int maxLongSide);

// The stored size from the first directory, classic or big; none when it cannot be read.
std::optional<ImageExtent> readTiffExtent(const ImageSource& source);

} // namespace tl
