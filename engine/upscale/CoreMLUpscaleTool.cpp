#include "engine/upscale/CoreMLUpscaleTool.h"

#include "engine/upscale/TileOrigins.h"
#include "platform/ImageDecoding.h"

#include <algorithm>
#include <new>

namespace tl {
namespace {

// A repeated origin paints exactly what its twin just painted, so it costs a pass for nothing.
std::vector<int> distinctOrigins(int length)
{
    auto origins = tileOrigins(length, CoreMLUpscaleTool::tileSize, CoreMLUpscaleTool::step);
    origins.erase(std::unique(origins.begin(), origins.end()), origins.end());
    return origins;
}

UpscaleError cancelled()
{
    return UpscaleError::of(UpscaleError::Kind::cancelled);
}

} // namespace

CoreMLUpscaleTool::CoreMLUpscaleTool(std::shared_ptr<const RealESRGAN512> model)
    : model_(std::move(model))
{
}

int CoreMLUpscaleTool::tileCount(int width, int height)
{
    return static_cast<int>(distinctOrigins(width).size() * distinctOrigins(height).size());
}

std::set<int> CoreMLUpscaleTool::supportedScales() const
{
    return { scaleFactor };
}

Result<void, UpscaleError> CoreMLUpscaleTool::upscale(
    const std::filesystem::path& input, const std::filesystem::path& output, int scale, std::stop_token stop)
{
    if (scale != scaleFactor) return UpscaleError::unsupported(scale);
    if (stop.stop_requested()) return cancelled();
    const cv::Mat image = decodeImageFile(input);
    if (image.empty()) return UpscaleError::imageLoad(input.string());
    const auto upscaled = upscaleTiled(image, stop);
    if (!upscaled) return upscaled.error();
    if (stop.stop_requested()) return cancelled();
    // Written through a temporary file, so an existing output is only ever replaced by a whole one.
    if (!writePng(upscaled.value(), output)) return UpscaleError::of(UpscaleError::Kind::outputWriteFailed);
    return {};
}

Result<cv::Mat, UpscaleError> CoreMLUpscaleTool::upscaleTiled(const cv::Mat& image, std::stop_token stop) const
{
    if (image.cols < tileSize || image.rows < tileSize) return UpscaleError::of(UpscaleError::Kind::invalidInputSize);
    if (image.depth() != CV_8U || (image.channels() != 3 && image.channels() != 4)) {
        return UpscaleError::of(UpscaleError::Kind::imageCreateFailed);
    }
    cv::Mat canvas;
    try {
        canvas.create(image.rows * scaleFactor, image.cols * scaleFactor, CV_8UC3);
    } catch (const cv::Exception&) {
        return UpscaleError::of(UpscaleError::Kind::imageCreateFailed);
    } catch (const std::bad_alloc&) {
        return UpscaleError::of(UpscaleError::Kind::imageCreateFailed);
    }
    const auto columns = distinctOrigins(image.cols);
    for (const int tileY : distinctOrigins(image.rows)) {
        for (const int tileX : columns) {
            if (stop.stop_requested()) return cancelled();
            const cv::Mat tile = image(cv::Rect(tileX, tileY, tileSize, tileSize));
            const cv::Rect target(
                tileX * scaleFactor, tileY * scaleFactor, RealESRGAN512::outputSize, RealESRGAN512::outputSize);
            const auto painted = model_->upscaleTile(tile, canvas(target));
            if (!painted) return painted.error();
        }
    }
    return canvas;
}

} // namespace tl
