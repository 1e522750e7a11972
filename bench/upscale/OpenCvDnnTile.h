#pragma once

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

#include <filesystem>
#include <optional>

namespace tl::bench {

// The upscaler's earlier runtime, OpenCV's dnn module, kept here to measure the shipped one
// against it side by side: same model file, same 512x512 tile in, same 2048x2048 BGR out.
class OpenCvDnnTile {
public:
    static std::optional<OpenCvDnnTile> load(const std::filesystem::path& model);

    // Empty when the pass fails.
    cv::Mat upscale(const cv::Mat& tile);

private:
    explicit OpenCvDnnTile(cv::dnn::Net net);
    cv::dnn::Net net_;
};

} // namespace tl::bench
