#pragma once

#include <opencv2/core.hpp>

namespace tl::bench {

// Peak signal-to-noise ratio in dB over all channels of two 8-bit images of one size.
double psnr(const cv::Mat& image, const cv::Mat& reference);

// Structural similarity of the luma of two 8-bit BGR images (11x11 Gaussian window, sigma 1.5).
double ssim(const cv::Mat& image, const cv::Mat& reference);

} // namespace tl::bench
