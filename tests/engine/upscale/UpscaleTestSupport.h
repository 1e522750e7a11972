#pragma once

#include "engine/upscale/RealESRGAN512.h"
#include "platform/Uuid.h"

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

// A folder removed with everything in it when the test ends.
class ScratchFolder {
public:
    ScratchFolder()
        : path_(std::filesystem::temp_directory_path() / ("tl-upscale-" + Uuid::random().text()))
    {
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    std::filesystem::path write(const std::string& name, const cv::Mat& image) const
    {
        const auto target = file(name);
        EXPECT_TRUE(cv::imwrite(target.string(), image));
        return target;
    }

private:
    std::filesystem::path path_;
};

inline bool identical(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

} // namespace tl::test
