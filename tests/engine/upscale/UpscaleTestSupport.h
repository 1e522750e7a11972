#pragma once

#include "engine/upscale/RealESRGAN512.h"
#include "support/TestImageFiles.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <filesystem>
#include <string>

namespace tl::test {

// The tiny models written by scripts/make-upscale-test-models.py.
inline std::filesystem::path fixtureModel(const std::string& name)
{
    return std::filesystem::path(TIDELUMINE_UPSCALE_FIXTURES) / name;
}

inline std::shared_ptr<const RealESRGAN512> loadFixture(const std::string& name)
{
    auto loaded = RealESRGAN512::load(fixtureModel(name));
    if (!loaded) return nullptr;
    return loaded.value();
}

inline cv::Mat randomImage(int width, int height, int type = CV_8UC3)
{
    cv::Mat image(height, width, type);
    cv::theRNG().state = 20240611;
    cv::randu(image, cv::Scalar::all(0), cv::Scalar::all(256));
    return image;
}

// Writes `image` to `file` with OpenCV's own encoder and returns the path.
inline std::filesystem::path writeImage(const std::filesystem::path& file, const cv::Mat& image)
{
    EXPECT_TRUE(cv::imwrite(file.string(), image));
    return file;
}

inline bool identical(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

} // namespace tl::test
