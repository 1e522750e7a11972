#pragma once

#include <opencv2/core.hpp>

namespace tl {

// Where each output pixel samples the source: output pixel centre x + 0.5 lies at source position
// (x + 0.5 + cropX) / scaleX, and likewise vertically; crop is measured in scaled pixels.
struct ResampleGeometry {
    int width = 0;
    int height = 0;
    double scaleX = 1;
    double scaleY = 1;
    double cropX = 0;
    double cropY = 0;
};

// Separable Lanczos-3 resampling of 8-bit BGR or BGRA pixels. When reducing, the kernel widens by
// the reduction factor, so fine detail averages out instead of aliasing. Rows run in parallel.
cv::Mat resampleLanczos(const cv::Mat& source, const ResampleGeometry& geometry);

// Scales to cover width x height while keeping the aspect ratio, then cuts the overflow equally
// from both sides: scaling and centred crop in one pass.
cv::Mat scaleToFill(const cv::Mat& source, int width, int height);

// Scales each axis on its own to exactly width x height (other aspect ratios are stretched).
cv::Mat stretchTo(const cv::Mat& source, int width, int height);

} // namespace tl
