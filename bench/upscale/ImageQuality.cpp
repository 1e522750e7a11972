#include "bench/upscale/ImageQuality.h"

#include <opencv2/imgproc.hpp>

namespace tl::bench {

double psnr(const cv::Mat& image, const cv::Mat& reference)
{
    return cv::PSNR(image, reference);
}

double ssim(const cv::Mat& image, const cv::Mat& reference)
{
    const double c1 = (0.01 * 255) * (0.01 * 255);
    const double c2 = (0.03 * 255) * (0.03 * 255);
    const auto luma = [](const cv::Mat& bgr) {
        cv::Mat grey, values;
        cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
        grey.convertTo(values, CV_64F);
        return values;
    };
    const cv::Mat x = luma(image), y = luma(reference);
    const auto blur = [](const cv::Mat& values) {
        cv::Mat smoothed;
        cv::GaussianBlur(values, smoothed, cv::Size(11, 11), 1.5);
        return smoothed;
    };
    const cv::Mat meanX = blur(x), meanY = blur(y);
    const cv::Mat meanX2 = meanX.mul(meanX), meanY2 = meanY.mul(meanY), meanXY = meanX.mul(meanY);
    const cv::Mat varianceX = blur(x.mul(x)) - meanX2;
    const cv::Mat varianceY = blur(y.mul(y)) - meanY2;
    const cv::Mat covariance = blur(x.mul(y)) - meanXY;
    cv::Mat numerator = (2 * meanXY + c1).mul(2 * covariance + c2);
    cv::Mat denominator = (meanX2 + meanY2 + c1).mul(varianceX + varianceY + c2);
    cv::Mat map;
    cv::divide(numerator, denominator, map);
    return cv::mean(map)[0];
}

} // namespace tl::bench
