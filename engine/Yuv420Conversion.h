#pragma once

#include <opencv2/core.hpp>

#include <cstdint>

namespace tl {

// Where 8-bit Y'CbCr 4:2:0 planes lie in memory: a luma plane and two half-size chroma planes.
struct Yuv420Planes {
    std::uint8_t* luma = nullptr;
    int lumaStride = 0;
    std::uint8_t* cb = nullptr;
    int cbStride = 0;
    std::uint8_t* cr = nullptr;
    int crStride = 0;
};

// Even sides for 4:2:0, and no alpha (a transparent area shows black). Shares the pixels when
// nothing needs changing.
cv::Mat evenOpaque(const cv::Mat& pixels);

// BGR with even sides to full-range BT.601 Y'CbCr 4:2:0 (chroma from the mean of each 2x2 block),
// in parallel: the encoders' own conversions run on one thread.
void fillYuv420(const cv::Mat& bgr, const Yuv420Planes& planes);

} // namespace tl
