#include "platform/TiffSamples.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tl {
namespace {

template <typename Float> std::uint8_t fromUnit(Float value)
{
    if (!(value > 0)) return 0; // NaN too
    if (value >= 1) return 255;
    return static_cast<std::uint8_t>(std::lround(value * 255));
}

std::uint8_t premultiply(std::uint8_t value, std::uint8_t alpha)
{
    return static_cast<std::uint8_t>((value * alpha + 127) / 255);
}

std::uint8_t unpremultiply(std::uint8_t value, std::uint8_t alpha)
{
    if (alpha == 0) return 0;
    return static_cast<std::uint8_t>(std::min(255, (value * 255 + alpha / 2) / alpha));
}

} // namespace

void storedToEightBit(
    const TiffPixelLayout& layout, const std::uint8_t* stored, std::size_t count, std::uint8_t* out, std::size_t stride)
{
    const int bits = layout.bitsPerSample;
    if (layout.floatingPoint) {
        for (std::size_t i = 0; i < count; ++i) {
            if (bits == 64) {
                double value;
                std::memcpy(&value, stored + i * 8, 8);
                out[i * stride] = fromUnit(value);
            } else {
                float value;
                std::memcpy(&value, stored + i * 4, 4);
                out[i * stride] = fromUnit(value);
            }
        }
        return;
    }
    if (bits == 8) {
        for (std::size_t i = 0; i < count; ++i)
            out[i * stride] = stored[i];
        return;
    }
    if (bits == 16) {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint16_t value;
            std::memcpy(&value, stored + i * 2, 2);
            out[i * stride] = static_cast<std::uint8_t>((value + 128) / 257);
        }
        return;
    }
    const int largest = (1 << bits) - 1;
    const bool stretch = layout.colour != TiffPixelLayout::Colour::palette;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t bit = i * static_cast<std::size_t>(bits);
        const int shift = 8 - bits - static_cast<int>(bit % 8);
        const int value = (stored[bit / 8] >> shift) & largest;
        out[i * stride] = static_cast<std::uint8_t>(stretch ? value * 255 / largest : value);
    }
}

void eightBitToPixels(
    const TiffPixelLayout& layout, const std::uint8_t* samples, int width, bool premultiplied, std::uint8_t* out)
{
    using Colour = TiffPixelLayout::Colour;
    const int channels = layout.outputChannels();
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* in = samples + static_cast<std::ptrdiff_t>(x) * layout.samplesPerPixel;
        std::uint8_t* pixel = out + static_cast<std::ptrdiff_t>(x) * channels;
        switch (layout.colour) {
        case Colour::grey:
            pixel[0] = pixel[1] = pixel[2] = in[0];
            break;
        case Colour::greyInverted:
            pixel[0] = pixel[1] = pixel[2] = static_cast<std::uint8_t>(255 - in[0]);
            break;
        case Colour::rgb:
            pixel[0] = in[2];
            pixel[1] = in[1];
            pixel[2] = in[0];
            break;
        case Colour::palette: {
            const cv::Vec3b& entry = layout.palette[std::min<std::size_t>(in[0], layout.palette.size() - 1)];
            pixel[0] = entry[0];
            pixel[1] = entry[1];
            pixel[2] = entry[2];
            break;
        }
        case Colour::cmyk: {
            const int white = 255 - in[3];
            pixel[0] = static_cast<std::uint8_t>(white * (255 - in[2]) / 255);
            pixel[1] = static_cast<std::uint8_t>(white * (255 - in[1]) / 255);
            pixel[2] = static_cast<std::uint8_t>(white * (255 - in[0]) / 255);
            break;
        }
        }
        if (channels == 3) continue;
        const std::uint8_t alpha = in[layout.alphaSample];
        pixel[3] = alpha;
        if (premultiplied == layout.alphaPremultiplied) continue;
        for (int c = 0; c < 3; ++c)
            pixel[c] = premultiplied ? premultiply(pixel[c], alpha) : unpremultiply(pixel[c], alpha);
    }
}

} // namespace tl
