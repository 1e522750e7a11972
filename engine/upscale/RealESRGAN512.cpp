#include "engine/upscale/RealESRGAN512.h"

#include "engine/upscale/ModelLocation.h"

#include <opencv2/imgproc.hpp>

#include <array>

namespace tl {
namespace {

constexpr const char* inputName = "input";

bool hasContractOutputShape(const cv::Mat& output)
{
    return output.dims == 4 && output.type() == CV_32F && output.size[0] == 1 && output.size[1] == 3
        && output.size[2] == RealESRGAN512::outputSize && output.size[3] == RealESRGAN512::outputSize;
}

// NCHW RGB float in [0, 1] from an 8-bit BGR(A) tile.
cv::Mat blobFromTile(const cv::Mat& tile)
{
    cv::Mat bgr = tile;
    if (tile.channels() == 4) cv::cvtColor(tile, bgr, cv::COLOR_BGRA2BGR);
    return cv::dnn::blobFromImage(bgr, 1.0 / 255.0, cv::Size(), cv::Scalar(), /*swapRB=*/true, false, CV_32F);
}

// Writes the RGB planes of one output blob as 8-bit BGR (rounded, saturated) into destination.
void paintOutput(const cv::Mat& output, cv::Mat& destination)
{
    const cv::Size size(RealESRGAN512::outputSize, RealESRGAN512::outputSize);
    std::array<cv::Mat, 3> bgr;
    for (int channel = 0; channel < 3; ++channel) {
        const cv::Mat plane(size, CV_32F, const_cast<float*>(output.ptr<float>(0, 2 - channel)));
        plane.convertTo(bgr[channel], CV_8U, 255.0);
    }
    cv::merge(bgr.data(), bgr.size(), destination);
}

} // namespace

RealESRGAN512::RealESRGAN512(cv::dnn::Net net)
    : net_(std::move(net))
{
}

Result<std::shared_ptr<const RealESRGAN512>, UpscaleError> RealESRGAN512::load(const std::filesystem::path& file)
{
    const auto failed = UpscaleError::of(UpscaleError::Kind::modelLoadFailed);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return failed;
    std::shared_ptr<RealESRGAN512> model;
    try {
        auto net = cv::dnn::readNetFromONNX(file.string());
        if (net.empty()) return failed;
        net.setPreferableBackend(cv::dnn::DNN_BACKEND_OPENCV);
        net.setPreferableTarget(cv::dnn::DNN_TARGET_CPU);
        model.reset(new RealESRGAN512(std::move(net)));
    } catch (const cv::Exception&) {
        return failed;
    }
    // A probe pass refuses a model that loads but breaks the contract, before any frame is touched.
    const int probeShape[] = { 1, 3, inputSize, inputSize };
    const auto probe = model->forward(cv::Mat(4, probeShape, CV_32F, cv::Scalar(0.5)));
    if (!probe) return failed;
    model->passes_ = 0;
    model->forwardNanoseconds_ = 0;
    return std::shared_ptr<const RealESRGAN512>(std::move(model));
}

Result<std::shared_ptr<const RealESRGAN512>, UpscaleError> RealESRGAN512::loadShipped()
{
    const auto file = findUpscaleModel();
    if (!file) return UpscaleError::of(UpscaleError::Kind::modelLoadFailed);
    return load(*file);
}

Result<cv::Mat, UpscaleError> RealESRGAN512::forward(const cv::Mat& blob) const
{
    cv::Mat output;
    try {
        const std::lock_guard lock(mutex_);
        const auto start = std::chrono::steady_clock::now();
        net_.setInput(blob, inputName);
        const cv::Mat result = net_.forward();
        // The network reuses its buffers on the next pass, so the result leaves the lock as a copy.
        if (hasContractOutputShape(result)) result.copyTo(output);
        forwardNanoseconds_
            += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
        ++passes_;
    } catch (const cv::Exception&) {
        return UpscaleError::of(UpscaleError::Kind::missingOutput);
    }
    if (output.empty()) return UpscaleError::of(UpscaleError::Kind::missingOutput);
    return output;
}

Result<void, UpscaleError> RealESRGAN512::upscaleTile(const cv::Mat& tile, cv::Mat destination) const
{
    if (tile.rows != inputSize || tile.cols != inputSize || tile.depth() != CV_8U
        || (tile.channels() != 3 && tile.channels() != 4) || destination.rows != outputSize
        || destination.cols != outputSize || destination.type() != CV_8UC3) {
        return UpscaleError::of(UpscaleError::Kind::imageCreateFailed);
    }
    const auto output = forward(blobFromTile(tile));
    if (!output) return output.error();
    paintOutput(output.value(), destination);
    return {};
}

RealESRGAN512::Statistics RealESRGAN512::statistics() const
{
    return { passes_.load(), std::chrono::nanoseconds(forwardNanoseconds_.load()) };
}

} // namespace tl
