#include "engine/Dither.h"

namespace tl {
namespace {

// splitmix64: fast, and good enough for noise that only has to look random.
std::uint64_t nextRandom(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

constexpr float strength = 0.02f;

} // namespace

void applyDither(cv::Mat& pixels, std::uint64_t seed)
{
    CV_Assert(pixels.type() == CV_8UC3 || pixels.type() == CV_8UC4);
    const int channels = pixels.channels();
    cv::parallel_for_(cv::Range(0, pixels.rows), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            std::uint64_t state = seed ^ (static_cast<std::uint64_t>(y) * 0xD1B54A32D192ED03ull);
            std::uint8_t* pixel = pixels.ptr<std::uint8_t>(y);
            for (int x = 0; x < pixels.cols; ++x, pixel += channels) {
                // Four 16-bit uniform values: the noise's blue, green, red and alpha.
                const std::uint64_t bits = nextRandom(state);
                const auto uniform = [&](int k) { return static_cast<float>((bits >> (16 * k)) & 0xFFFF) / 65535.f; };
                const float noiseAlpha = strength * uniform(3);
                for (int c = 0; c < 3; ++c) {
                    const float value = strength * uniform(c) * 255.f + (1.f - noiseAlpha) * pixel[c];
                    pixel[c] = static_cast<std::uint8_t>(std::min(value + 0.5f, 255.f));
                }
                if (channels == 4) {
                    const float alpha = noiseAlpha * 255.f + (1.f - noiseAlpha) * pixel[3];
                    pixel[3] = static_cast<std::uint8_t>(std::min(alpha + 0.5f, 255.f));
                }
            }
        }
    });
}

} // namespace tl
