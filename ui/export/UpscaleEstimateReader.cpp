#include "ui/export/UpscaleEstimateReader.h"

#include "platform/ImageDecoding.h"
#include "platform/ImageFileExtent.h"

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
            if (const auto size = pictureSize(file)) found.sizes.push_back(*size);
        }
        run.post([done, found] { done(found); });
        if (!probe || probedSecondsPerTile()) return;
        found.probedSecondsPerTile = probe(run.stopToken());
        if (!found.probedSecondsPerTile) return;
        {
            const std::lock_guard lock(probeMutex);
            probed = found.probedSecondsPerTile;
        }
        run.post([done, found] { done(found); });
    });
}

} // namespace tl::ui
