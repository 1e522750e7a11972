#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <span>

namespace tl {

// Chromaticities of an RGB space whose transfer curve is the sRGB one (as HEIF colour boxes describe it).
struct RgbPrimaries {
    double redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY;
};

// Converts 8- or 16-bit grey, BGR or BGRA pixels described by an ICC profile to sRGB (grey becomes BGR;
// alpha is carried over). Pixels come back unchanged when the profile is unusable or does not
// describe pixels of that kind (a CMYK profile on decoded RGB, for example). BGR and BGRA pixels are
// converted in place: the pixels handed in change too.
cv::Mat convertProfileToSrgb(const cv::Mat& pixels, std::span<const std::uint8_t> iccProfile);

// The same for pixels described by primaries and a white point instead of a profile.
cv::Mat convertPrimariesToSrgb(const cv::Mat& pixels, const RgbPrimaries& primaries);

} // namespace tl
