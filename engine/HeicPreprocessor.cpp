#include "engine/HeicPreprocessor.h"

#include "engine/BoundedParallel.h"
#include "engine/Dither.h"
#include "engine/EncoderMemory.h"
#include "engine/FramePng.h"
#include "engine/LanczosResampler.h"
#include "engine/UpscalePlan.h"
#include "platform/FileReplacement.h"
#include "platform/ImageDecoding.h"
#include "platform/ImageFileExtent.h"

#include <cmath>
#include <cstdio>
#include <random>

namespace tl {
namespace {

namespace fs = std::filesystem;

std::string frameStem(int index)
{
    char stem[32];
    std::snprintf(stem, sizeof stem, "frame_%04d", index + 1);
    return stem;
}

bool usableCanvas(const PixelSize& size)
{
    return std::isfinite(size.width) && std::isfinite(size.height) && std::lround(size.width) >= 1
        && std::lround(size.height) >= 1;
}

std::uint64_t freshSeed()
{
    static std::random_device device;
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    return (std::uint64_t { device() } << 32) | device();
}

// Waits for the memory to decode `file` at full size and bring it to the canvas, as its header
// gives the size, before any of it is taken.
Result<FrameMemory::Reservation, EngineError> admitDecode(
    const fs::path& file, const std::string& name, const std::optional<PixelSize>& canvas, std::stop_token stop)
{
    const ImageExtent extent = readImageFileExtent(file).value_or(ImageExtent {});
    MemoryNeed need = decodeMemoryNeed(extent.width, extent.height);
    // The scaled frame and the resampler's intermediate rows beside the decoded one.
    if (canvas) need += decodeMemoryNeed(std::lround(canvas->width), std::lround(canvas->height));
    return admitFrame(need, name + ": not enough memory", std::move(stop));
}

} // namespace

HeicPreprocessor::HeicPreprocessor(HeicPreprocessConfig config)
    : config_(std::move(config))
{
}

Result<HeicPreprocessSession, EngineError> HeicPreprocessor::preprocess(
    const std::vector<WallpaperImage>& images, const ExportProgress& progress, std::stop_token stop) const
{
    if (config_.enablesNothing())
        return EngineError(
            HeicGeneratorError::invalidConfiguration("Preprocess requested without any enabled stages."));
    if (config_.targetSize && !usableCanvas(*config_.targetSize))
        return EngineError(HeicGeneratorError::invalidConfiguration("Invalid canvas size."));
    std::error_code error;
    fs::create_directories(config_.outputDirectory, error);
    if (error) return EngineError(FileSystemError { config_.outputDirectory.string(), error });

    const int total = static_cast<int>(images.size());
    UpscaleProgress tracker(total, progress, config_.targetSize);
    // Every frame is planned from its header first, so the run's tiles and time left are whole from
    // the start, not only for the frames in work.
    for (int index = 0; index < total; ++index) {
        const auto& source = images[static_cast<std::size_t>(index)].sourcePath;
        const auto extent = source ? readImageFileExtent(*source) : std::nullopt;
        if (extent && extent->width > 0 && extent->height > 0)
            tracker.planFrame(
                index, tilesFor({ static_cast<double>(extent->width), static_cast<double>(extent->height) }));
    }
    auto frames = runBounded<HeicFrameSource>(
        total, maxConcurrentPreprocess, stop,
        [&](int index, std::stop_token frameStop) {
            return preprocessFrame(images[static_cast<std::size_t>(index)], index, tracker, frameStop);
        },
        [&](int index, const HeicFrameSource&) { tracker.frameFinished(index); },
        [&](int index) { return images[static_cast<std::size_t>(index)].fileName; });
    if (!frames) return frames.error();
    return HeicPreprocessSession { std::move(frames).value(), config_.outputDirectory, config_.keepPreprocessedFrames };
}

bool HeicPreprocessor::upscales() const
{
    return config_.upscaler && config_.upscaleStrategy != HeicUpscaleStrategy::off;
}

int HeicPreprocessor::tilesFor(PixelSize size) const
{
    if (!upscales()) return 0;
    const UpscalePlan plan
        = UpscalePlan::make(config_.upscaleStrategy, size, config_.targetSize, config_.upscaler->supportedScales());
    int tiles = 0;
    for (const auto& step : plan.steps) {
        tiles += config_.upscaler->tileCount(
            static_cast<int>(std::lround(size.width)), static_cast<int>(std::lround(size.height)));
        size = { size.width * step.scale, size.height * step.scale };
    }
    return tiles;
}

Result<HeicFrameSource, EngineError> HeicPreprocessor::preprocessFrame(
    const WallpaperImage& image, int index, UpscaleProgress& tracker, std::stop_token stop) const
{
    if (!image.sourcePath)
        return EngineError(HeicGeneratorError::invalidConfiguration("Missing source path for image"));
    const fs::path folder = config_.outputDirectory;
    const std::string stem = frameStem(index);
    const fs::path finalFile = folder / (stem + ".png");

    tracker.frameStarted(index);
    auto memory = admitDecode(*image.sourcePath, image.fileName, config_.targetSize, stop);
    if (!memory) return memory.error();
    std::optional<FrameMemory::Reservation> held(std::move(memory).value());
    cv::Mat pixels = decodeImageFile(*image.sourcePath);
    if (pixels.empty()) return EngineError(HeicGeneratorError::imageLoadFailed(*image.sourcePath));
    if (stop.stop_requested()) return EngineError(Cancelled {});

    const PixelSize size { static_cast<double>(pixels.cols), static_cast<double>(pixels.rows) };
    tracker.planFrame(index, tilesFor(size));
    if (upscales()) {
        const UpscalePlan plan
            = UpscalePlan::make(config_.upscaleStrategy, size, config_.targetSize, config_.upscaler->supportedScales());
        if (!plan.steps.empty()) {
            // The upscaler works from file to file, so the normalised frame goes to disk first.
            fs::path current = folder / (stem + "_norm.png");
            if (auto written = writePNG(pixels, current); !written) return EngineError(written.error());
            pixels.release();
            held.reset(); // the upscaler's tiles are its own to bound
            const int passes = static_cast<int>(plan.steps.size());
            for (int pass = 1; pass <= passes; ++pass) {
                tracker.passStarted();
                const auto tileDone = [&](int, int) { tracker.tileDone(index); };
                const fs::path next = folder / (stem + "_up" + std::to_string(pass) + ".png");
                auto upscaled = config_.upscaler->upscale(current, next, plan.steps[pass - 1].scale, stop, tileDone);
                removeFileQuietly(current);
                if (!upscaled) return EngineError(upscaled.error());
                current = next;
                if (stop.stop_requested()) {
                    removeFileQuietly(current);
                    return EngineError(Cancelled {});
                }
            }
            auto upscaledMemory = admitDecode(current, image.fileName, config_.targetSize, stop);
            if (!upscaledMemory) {
                removeFileQuietly(current);
                return upscaledMemory.error();
            }
            held.emplace(std::move(upscaledMemory).value());
            pixels = decodeImageFile(current);
            removeFileQuietly(current);
            if (pixels.empty()) return EngineError(HeicGeneratorError::imageLoadFailed(current.string()));
        }
    }

    if (config_.targetSize) {
        const int width = static_cast<int>(std::lround(config_.targetSize->width));
        const int height = static_cast<int>(std::lround(config_.targetSize->height));
        if (pixels.cols != width || pixels.rows != height) pixels = scaleToFill(pixels, width, height);
    }
    if (config_.enableDither) applyDither(pixels, freshSeed());
    if (stop.stop_requested()) return EngineError(Cancelled {});
    if (auto written = writePNG(pixels, finalFile); !written) return EngineError(written.error());
    return HeicFrameSource { image, finalFile, { static_cast<double>(pixels.cols), static_cast<double>(pixels.rows) } };
}

} // namespace tl
