#include "engine/Yuv420Conversion.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace tl {
namespace {

std::uint8_t clampByte(float value)
{
    return static_cast<std::uint8_t>(std::clamp(value + 0.5f, 0.f, 255.f));
}

} // namespace

cv::Mat evenOpaque(const cv::Mat& pixels)
{
    const int width = std::max(2, pixels.cols & ~1);
    const int height = std::max(2, pixels.rows & ~1);
    cv::Mat even;
    if (width > pixels.cols || height > pixels.rows) {
        cv::copyMakeBorder(pixels, even, 0, height - std::min(height, pixels.rows), 0,
            width - std::min(width, pixels.cols), cv::BORDER_REPLICATE);
    } else {
        even = pixels(cv::Rect(0, 0, width, height));
    }
    if (even.channels() == 3) return even;
    cv::Mat premultiplied, bgr;
    cv::cvtColor(even, premultiplied, cv::COLOR_RGBA2mRGBA); // the channel order does not matter here
    cv::cvtColor(premultiplied, bgr, cv::COLOR_BGRA2BGR);
    return bgr;
}

void fillYuv420(const cv::Mat& bgr, const Yuv420Planes& planes)
{
    cv::parallel_for_(cv::Range(0, bgr.rows / 2), [&](const cv::Range& pairs) {
        for (int pair = pairs.start; pair < pairs.end; ++pair) {
            const int y = pair * 2;
            const cv::Vec3b* rows[2] = { bgr.ptr<cv::Vec3b>(y), bgr.ptr<cv::Vec3b>(y + 1) };
            std::uint8_t* lumaRows[2] = { planes.luma + static_cast<std::ptrdiff_t>(y) * planes.lumaStride,
                planes.luma + static_cast<std::ptrdiff_t>(y + 1) * planes.lumaStride };
            std::uint8_t* cbRow = planes.cb + static_cast<std::ptrdiff_t>(pair) * planes.cbStride;
            std::uint8_t* crRow = planes.cr + static_cast<std::ptrdiff_t>(pair) * planes.crStride;
            for (int x = 0; x < bgr.cols; x += 2) {
                float r = 0, g = 0, b = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const cv::Vec3b& p = rows[dy][x + dx];
                        lumaRows[dy][x + dx] = clampByte(0.299f * p[2] + 0.587f * p[1] + 0.114f * p[0]);
                        b += p[0];
                        g += p[1];
                        r += p[2];
                    }
                r *= 0.25f;
                g *= 0.25f;
                b *= 0.25f;
                cbRow[x / 2] = clampByte(128.f - 0.168736f * r - 0.331264f * g + 0.5f * b);
                crRow[x / 2] = clampByte(128.f + 0.5f * r - 0.418688f * g - 0.081312f * b);
            }
        }
    });
}

} // namespace tl
