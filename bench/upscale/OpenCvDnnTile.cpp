#include "bench/upscale/OpenCvDnnTile.h"

#include <opencv2/imgproc.hpp>

#include <array>

namespace tl::bench {

OpenCvDnnTile::OpenCvDnnTile(cv::dnn::Net net)
    : net_(std::move(net))
{
}

std::optional<OpenCvDnnTile> OpenCvDnnTile::load(const std::filesystem::path& model)
{
    try {
        auto net = cv::dnn::readNetFromONNX(model.string());
        if (net.empty()) return std::nullopt;
        net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
        net.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
        return OpenCvDnnTile(std::move(net));
    } catch (const cv::Exception&) {
        return std::nullopt;
    }
}

cv::Mat OpenCvDnnTile::upscale(const cv::Mat& tile)
{
    try {
        net_.setInput(
            cv::dnn::blobFromImage(tile, 1.0 / 255.0, cv::Size(), cv::Scalar(), true, false, CV_32F), "input");
        const cv::Mat output = net_.forward();
        if (output.dims != 4 || output.size[1] != 3) return {};
        const cv::Size size(output.size[3], output.size[2]);
        std::array<cv::Mat, 3> bgr;
        for (int channel = 0; channel < 3; ++channel) {
            const cv::Mat plane(size, CV_32F, const_cast<float*>(output.ptr<float>(0, 2 - channel)));
            plane.convertTo(bgr[static_cast<std::size_t>(channel)], CV_8U, 255.0);
        }
        cv::Mat painted;
        cv::merge(bgr.data(), bgr.size(), painted);
        return painted;
    } catch (const cv::Exception&) {
        return {};
    }
}

} // namespace tl::bench
