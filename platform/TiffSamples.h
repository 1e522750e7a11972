#pragma once

#include <opencv2/core.hpp>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tl {

// How a TIFF's stored samples make a pixel, for the kinds read here without libtiff's RGBA
// conversion (which re-reads a strip from its start for every band it is asked for).
struct TiffPixelLayout {
    enum class Colour { grey, greyInverted, rgb, palette, cmyk };
    Colour colour = Colour::rgb;
    int samplesPerPixel = 3;
    int bitsPerSample = 8; // 1, 2, 4, 8 or 16 unsigned; 32 or 64 floating point
    bool floatingPoint = false;
    int alphaSample = -1; // none when negative
    bool alphaPremultiplied = false;
    std::vector<cv::Vec3b> palette; // BGR, for Colour::palette

    int outputChannels() const { return alphaSample >= 0 ? 4 : 3; }
};

// Turns `count` stored samples, packed as libtiff hands them over, into 8-bit values written
// `stride` bytes apart: 16 bits are narrowed with rounding, floating point taken as 0 to 1 (beyond
// saturates), and fewer than 8 bits stretched to 0 to 255 unless they are palette indices.
void storedToEightBit(const TiffPixelLayout& layout, const std::uint8_t* stored, std::size_t count, std::uint8_t* out,
    std::size_t stride);

// One row of 8-bit samples (samplesPerPixel each) to BGR, or BGRA with alpha premultiplied or
// straight as asked.
void eightBitToPixels(
    const TiffPixelLayout& layout, const std::uint8_t* samples, int width, bool premultiplied, std::uint8_t* out);

} // namespace tl
