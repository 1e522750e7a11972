#include "engine/upscale/CoreMLUpscaleTool.h"

#include "engine/upscale/TileOrigins.h"
#include "platform/ImageDecoding.h"

#include <algorithm>
#include <new>

namespace tl {
namespace {

using Clock = std::chrono::steady_clock;

// A repeated origin paints exactly what its twin just painted, so it costs a pass for nothing.
// A side shorter than a tile is extended to one tile.
std::vector<int> distinctOrigins(int length)
{
    auto origins = tileOrigins(
        std::max(length, CoreMLUpscaleTool::tileSize), CoreMLUpscaleTool::tileSize, CoreMLUpscaleTool::step);
    origins.erase(std::unique(origins.begin(), origins.end()), origins.end());
    return origins;
}

UpscaleError cancelled()
{
    return UpscaleError::of(UpscaleError::Kind::cancelled);
}

} // namespace

// Marks one pass as running for the tool's clock, and counts its tiles.
class CoreMLUpscaleTool::Working {
public:
    explicit Working(const CoreMLUpscaleTool& tool)
        : tool_(tool)
    {
        const std::lock_guard lock(tool_.timingMutex_);
        if (tool_.runningPasses_++ == 0) tool_.busySince_ = Clock::now();
    }
    ~Working()
    {
        const std::lock_guard lock(tool_.timingMutex_);
        if (--tool_.runningPasses_ == 0) tool_.busy_ += Clock::now() - tool_.busySince_;
    }
    Working(const Working&) = delete;
    Working& operator=(const Working&) = delete;

    void tileRun()
    {
        const std::lock_guard lock(tool_.timingMutex_);
        ++tool_.tilesRun_;
    }

private:
    const CoreMLUpscaleTool& tool_;
};

CoreMLUpscaleTool::CoreMLUpscaleTool(std::shared_ptr<const RealESRGAN512> model)
    : model_(std::move(model))
{
}

int CoreMLUpscaleTool::tilesOf(int width, int height)
{
    if (width <= 0 || height <= 0) return 0;
    return static_cast<int>(distinctOrigins(width).size() * distinctOrigins(height).size());
}

std::set<int> CoreMLUpscaleTool::supportedScales() const
{
    return { scaleFactor };
}

std::optional<double> CoreMLUpscaleTool::secondsPerTile() const
{
    const std::lock_guard lock(timingMutex_);
    if (tilesRun_ == 0) return std::nullopt;
    auto busy = busy_;
    if (runningPasses_ > 0) busy += Clock::now() - busySince_;
    return std::chrono::duration<double>(busy).count() / static_cast<double>(tilesRun_);
}

Result<void, UpscaleError> CoreMLUpscaleTool::upscale(const std::filesystem::path& input,
    const std::filesystem::path& output, int scale, std::stop_token stop, const TileProgress& tileDone)
{
    if (scale != scaleFactor) return UpscaleError::unsupported(scale);
    if (stop.stop_requested()) return cancelled();
    const Working working(*this);
    const cv::Mat image = decodeImageFile(input);
    if (image.empty()) return UpscaleError::imageLoad(input.string());
    const auto upscaled = upscaleTiled(image, stop, tileDone);
    if (!upscaled) return upscaled.error();
    if (stop.stop_requested()) return cancelled();
    // Written through a temporary file, so an existing output is only ever replaced by a whole one.
    if (!writePng(upscaled.value(), output)) return UpscaleError::of(UpscaleError::Kind::outputWriteFailed);
    return {};
}

Result<cv::Mat, UpscaleError> CoreMLUpscaleTool::upscaleTiled(
    const cv::Mat& image, std::stop_token stop, const TileProgress& tileDone) const
{
    if (image.empty()) return UpscaleError::of(UpscaleError::Kind::invalidInputSize);
    if (image.depth() != CV_8U || (image.channels() != 3 && image.channels() != 4)) {
        return UpscaleError::of(UpscaleError::Kind::imageCreateFailed);
    }
    cv::Mat canvas;
    cv::Mat source = image;
    try {
        // Reflection continues the picture's own texture, so the network sees no edge where the
        // picture ends; the extension is cut away afterwards.
        const int right = std::max(tileSize - image.cols, 0);
        const int bottom = std::max(tileSize - image.rows, 0);
        if (right > 0 || bottom > 0) cv::copyMakeBorder(image, source, 0, bottom, 0, right, cv::BORDER_REFLECT_101);
        canvas.create(source.rows * scaleFactor, source.cols * scaleFactor, CV_8UC3);
    } catch (const cv::Exception&) {
        return UpscaleError::of(UpscaleError::Kind::imageCreateFailed);
    } catch (const std::bad_alloc&) {
        return UpscaleError::of(UpscaleError::Kind::imageCreateFailed);
    }
    Working working(*this);
    const auto columns = distinctOrigins(source.cols);
    const auto rows = distinctOrigins(source.rows);
    const int total = static_cast<int>(columns.size() * rows.size());
    int done = 0;
    for (const int tileY : rows) {
        for (const int tileX : columns) {
            if (stop.stop_requested()) return cancelled();
            const cv::Mat tile = source(cv::Rect(tileX, tileY, tileSize, tileSize));
            const cv::Rect target(
                tileX * scaleFactor, tileY * scaleFactor, RealESRGAN512::outputSize, RealESRGAN512::outputSize);
            const auto painted = model_->upscaleTile(tile, canvas(target), stop);
            if (!painted) return painted.error();
            working.tileRun();
            if (tileDone) tileDone(++done, total);
        }
    }
    if (source.data == image.data) return canvas;
    return cv::Mat(canvas(cv::Rect(0, 0, image.cols * scaleFactor, image.rows * scaleFactor))).clone();
}

} // namespace tl
