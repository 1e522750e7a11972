#include "engine/LinearLightBlend.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace tl {
namespace {

// sRGB code value to 16-bit linear light, and back. Linear values of neighbouring codes are at
// least 19 apart, so decoding and encoding again gives every code back unchanged.
struct TransferTables {
    std::array<std::uint16_t, 256> toLinear {};
    std::array<std::uint8_t, 65536> toSrgb {};

    TransferTables()
    {
        for (int code = 0; code < 256; ++code) {
            const double v = code / 255.0;
            const double linear = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            toLinear[code] = static_cast<std::uint16_t>(std::lround(linear * 65535));
        }
        for (int level = 0; level < 65536; ++level) {
            const double linear = level / 65535.0;
            const double v = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
            toSrgb[level] = static_cast<std::uint8_t>(std::clamp(std::lround(v * 255), 0L, 255L));
        }
    }
};

const TransferTables& tables()
{
    static const TransferTables instance;
    return instance;
}

} // namespace

cv::Mat blendLinearLight(const cv::Mat& from, const cv::Mat& to, double factor)
{
    CV_Assert(from.type() == to.type() && from.size() == to.size());
    CV_Assert(from.type() == CV_8UC3 || from.type() == CV_8UC4);
    factor = std::clamp(factor, 0.0, 1.0);
    if (factor == 0) return from.clone();
    if (factor == 1) return to.clone();

    const TransferTables& t = tables();
    const std::uint32_t weight = static_cast<std::uint32_t>(std::lround(factor * 65536));
    const std::uint32_t keep = 65536 - weight;
    const int channels = from.channels();
    const int values = from.cols * channels;
    cv::Mat blended(from.size(), from.type());
    cv::parallel_for_(cv::Range(0, from.rows), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            const std::uint8_t* a = from.ptr<std::uint8_t>(y);
            const std::uint8_t* b = to.ptr<std::uint8_t>(y);
            std::uint8_t* out = blended.ptr<std::uint8_t>(y);
            for (int i = 0; i < values; ++i) {
                if (channels == 4 && i % 4 == 3) {
                    out[i] = static_cast<std::uint8_t>((a[i] * keep + b[i] * weight + 32768) >> 16);
                    continue;
                }
                const std::uint32_t linear = (t.toLinear[a[i]] * keep + t.toLinear[b[i]] * weight + 32768) >> 16;
                out[i] = t.toSrgb[linear];
            }
        }
    });
    return blended;
}

} // namespace tl
