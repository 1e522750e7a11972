#include "engine/upscale/RealESRGAN512.h"

#include "engine/upscale/DnnlNetwork.h"
#include "engine/upscale/ModelLocation.h"

#include <opencv2/imgproc.hpp>

#include <array>
#include <vector>

namespace tl {
namespace {

constexpr const char* inputName = "input";
constexpr TensorShape inputShape { 3, RealESRGAN512::inputSize, RealESRGAN512::inputSize };
constexpr TensorShape outputShape { 3, RealESRGAN512::outputSize, RealESRGAN512::outputSize };

// Planar RGB float in [0, 1] from an 8-bit BGR(A) tile.
std::vector<float> planarInput(const cv::Mat& tile)
{
    cv::Mat rgb, values;
    cv::cvtColor(tile, rgb, tile.channels() == 4 ? cv::COLOR_BGRA2RGB : cv::COLOR_BGR2RGB);
    rgb.convertTo(values, CV_32F, 1.0 / 255.0);
    std::vector<float> planar(inputShape.elements());
    std::array<cv::Mat, 3> planes;
    for (int channel = 0; channel < 3; ++channel) {
        planes[static_cast<std::size_t>(channel)]
            = cv::Mat(tile.size(), CV_32F, planar.data() + static_cast<std::size_t>(channel) * tile.total());
    }
    cv::split(values, planes.data());
    return planar;
}

// Writes the RGB planes of one output as 8-bit BGR (rounded, saturated) into destination.
void paintOutput(const float* output, cv::Mat& destination)
{
    const cv::Size size(RealESRGAN512::outputSize, RealESRGAN512::outputSize);
    const auto plane = static_cast<std::size_t>(size.area());
    std::array<cv::Mat, 3> bgr;
    for (int channel = 0; channel < 3; ++channel) {
        const cv::Mat values(size, CV_32F, const_cast<float*>(output + static_cast<std::size_t>(2 - channel) * plane));
        values.convertTo(bgr[static_cast<std::size_t>(channel)], CV_8U, 255.0);
    }
    cv::merge(bgr.data(), bgr.size(), destination);
}

} // namespace

RealESRGAN512::RealESRGAN512(std::unique_ptr<DnnlNetwork> network)
    : network_(std::move(network))
{
}

RealESRGAN512::~RealESRGAN512() = default;

Result<std::shared_ptr<const RealESRGAN512>, UpscaleError> RealESRGAN512::load(const std::filesystem::path& file)
{
    const auto failed = UpscaleError::of(UpscaleError::Kind::modelLoadFailed);
    const auto graph = readOnnxGraph(file);
    if (!graph || graph->inputs.size() != 1 || graph->inputs.front() != inputName) return failed;
    // Planning infers every result's shape, so a model of the wrong shape is refused here.
    const auto plan = planNetwork(*graph, inputShape);
    if (!plan || plan->values[static_cast<std::size_t>(plan->output)].shape != outputShape) return failed;
    auto network = DnnlNetwork::compile(*graph, *plan);
    if (!network) return failed;
    return std::shared_ptr<const RealESRGAN512>(new RealESRGAN512(std::move(network)));
}

Result<std::shared_ptr<const RealESRGAN512>, UpscaleError> RealESRGAN512::loadShipped()
{
    const auto file = findUpscaleModel();
    if (!file) return UpscaleError::of(UpscaleError::Kind::modelLoadFailed);
    return load(*file);
}

Result<void, UpscaleError> RealESRGAN512::upscaleTile(
    const cv::Mat& tile, cv::Mat destination, const std::stop_token& stop) const
{
    if (tile.rows != inputSize || tile.cols != inputSize || tile.depth() != CV_8U
        || (tile.channels() != 3 && tile.channels() != 4) || destination.rows != outputSize
        || destination.cols != outputSize || destination.type() != CV_8UC3) {
        return UpscaleError::of(UpscaleError::Kind::imageCreateFailed);
    }
    const auto input = planarInput(tile);
    const std::lock_guard lock(mutex_);
    if (stop.stop_requested()) return UpscaleError::of(UpscaleError::Kind::cancelled);
    const auto start = std::chrono::steady_clock::now();
    const float* output = network_->run(input.data(), stop);
    if (!output && stop.stop_requested()) return UpscaleError::of(UpscaleError::Kind::cancelled);
    forwardNanoseconds_
        += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
    ++passes_;
    if (!output) return UpscaleError::of(UpscaleError::Kind::missingOutput);
    // Painted under the lock: the output lives in the network's memory until the next pass.
    paintOutput(output, destination);
    return {};
}

RealESRGAN512::Statistics RealESRGAN512::statistics() const
{
    return { passes_.load(), std::chrono::nanoseconds(forwardNanoseconds_.load()) };
}

} // namespace tl
