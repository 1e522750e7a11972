#pragma once

#include <cstdint>

namespace tl {

// The largest picture we decode: no side beyond the largest export canvas, and no more pixels than
// a 16384 x 16384 square (a gigabyte at 8 bits per channel). A small file whose header claims more
// would otherwise take gigabytes before a single pixel is checked.
inline constexpr std::int64_t largestImageSide = 32768;
inline constexpr std::int64_t largestImagePixels = std::int64_t { 16384 } * 16384;

struct ImageExtent {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// Whether a picture of this size is beyond what we decode.
inline bool isTooLargeToDecode(const ImageExtent& extent)
{
    return extent.width > largestImageSide || extent.height > largestImageSide
        || extent.width * extent.height > largestImagePixels;
}

} // namespace tl
