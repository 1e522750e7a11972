#include "ui/export/UpscaleEstimateReader.h"

#include "engine/EngineError.h"
#include "platform/ImageDecoding.h"
#include "platform/ImageFileExtent.h"
#include "platform/Log.h"

#include <mutex>

namespace tl::ui {
namespace {

std::mutex probeMutex;
std::optional<double> probed;

// The stored size from the header, else from decoding the picture.
std::optional<PixelSize> pictureSize(const std::filesystem::path& file)
{
    if (const auto extent = readImageFileExtent(file); extent && extent->width > 0 && extent->height > 0)
        return PixelSize { static_cast<double>(extent->width), static_cast<double>(extent->height) };
    const cv::Mat pixels = decodeImageFile(file);
    if (pixels.empty()) return std::nullopt;
    return PixelSize { static_cast<double>(pixels.cols), static_cast<double>(pixels.rows) };
}

template <class T> using Caught = Result<T, EngineError>;

} // namespace

std::optional<double> probedSecondsPerTile()
{
    const std::lock_guard lock(probeMutex);
    return probed;
}

UpscaleEstimateReader::UpscaleEstimateReader(WorkerRuns::Poster poster)
    : runs_(std::move(poster))
{
}

void UpscaleEstimateReader::start(
    std::vector<std::filesystem::path> keyFrames, Probe probe, std::function<void(const Found&)> done)
{
    runs_.start([keyFrames = std::move(keyFrames), probe = std::move(probe), done = std::move(done)](
                    const WorkerRuns::Run& run) {
        Found found;
        for (const auto& file : keyFrames) {
            if (run.stopToken().stop_requested()) return;
            const auto size = catchingThrown([&]() -> Caught<std::optional<PixelSize>> { return pictureSize(file); });
            if (!size) log("❌ Could not read the size of " + file.string() + ": " + size.error().description());
            if (size && size.value()) found.frames.push_back({ file.filename().string(), *size.value() });
        }
        run.post([done, found] { done(found); });
        if (!probe || probedSecondsPerTile()) return;
        const auto time = catchingThrown([&]() -> Caught<std::optional<double>> { return probe(run.stopToken()); });
        if (!time) log("❌ Could not time an upscaled tile: " + time.error().description());
        if (run.stopToken().stop_requested()) return;
        found.probeEnded = true;
        if (time && time.value()) {
            found.probedSecondsPerTile = time.value();
            const std::lock_guard lock(probeMutex);
            probed = found.probedSecondsPerTile;
        }
        run.post([done, found] { done(found); });
    });
}

} // namespace tl::ui
