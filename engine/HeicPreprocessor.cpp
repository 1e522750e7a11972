#include "engine/HeicPreprocessor.h"

#include "engine/BoundedParallel.h"
#include "engine/Dither.h"
#include "engine/FramePng.h"
#include "engine/LanczosResampler.h"
#include "engine/UpscalePlan.h"
#include "engine/upscale/UpscaleEstimate.h"
#include "platform/FileReplacement.h"
#include "platform/ImageDecoding.h"

#include <cmath>
#include <cstdio>
#include <numeric>
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
    UpscaleProgress tracker(total);
    int finished = 0;
    auto frames = runBounded<HeicFrameSource>(
        total, maxConcurrentPreprocess, stop,
        [&](int index, std::stop_token frameStop) {
            return preprocessFrame(images[static_cast<std::size_t>(index)], index, total, tracker, progress, frameStop);
        },
        [&](int index, const HeicFrameSource&) {
            tracker.frameFinished(index);
            const int done = ++finished;
            if (progress)
                progress(tracker.units(), tracker.totalUnits(),
                    "Preprocessed frame " + std::to_string(done) + "/" + std::to_string(total));
        },
        [&](int index) { return images[static_cast<std::size_t>(index)].fileName; });
    if (!frames) return frames.error();
    return HeicPreprocessSession { std::move(frames).value(), config_.outputDirectory, config_.keepPreprocessedFrames };
}

Result<HeicFrameSource, EngineError> HeicPreprocessor::preprocessFrame(const WallpaperImage& image, int index,
    int total, UpscaleProgress& tracker, const ExportProgress& progress, std::stop_token stop) const
{
    if (!image.sourcePath)
        return EngineError(HeicGeneratorError::invalidConfiguration("Missing source path for image"));
    const fs::path folder = config_.outputDirectory;
    const std::string stem = frameStem(index);
    const fs::path finalFile = folder / (stem + ".png");

    cv::Mat pixels = decodeImageFile(*image.sourcePath);
    if (pixels.empty()) return EngineError(HeicGeneratorError::imageLoadFailed(*image.sourcePath));
    if (stop.stop_requested()) return EngineError(Cancelled {});

    if (config_.upscaler && config_.upscaleStrategy != HeicUpscaleStrategy::off) {
        const PixelSize size { static_cast<double>(pixels.cols), static_cast<double>(pixels.rows) };
        const UpscalePlan plan
            = UpscalePlan::make(config_.upscaleStrategy, size, config_.targetSize, config_.upscaler->supportedScales());
        if (!plan.steps.empty()) {
            // The upscaler works from file to file, so the normalised frame goes to disk first.
            fs::path current = folder / (stem + "_norm.png");
            if (auto written = writePNG(pixels, current); !written) return EngineError(written.error());
            pixels.release();
            const int passes = static_cast<int>(plan.steps.size());
            std::vector<int> passTiles;
            PixelSize passSize = size;
            for (const auto& step : plan.steps) {
                passTiles.push_back(config_.upscaler->tileCount(
                    static_cast<int>(std::lround(passSize.width)), static_cast<int>(std::lround(passSize.height))));
                passSize = { passSize.width * step.scale, passSize.height * step.scale };
            }
            tracker.planFrame(index, std::reduce(passTiles.begin(), passTiles.end()));
            for (int pass = 1; pass <= passes; ++pass) {
                const std::string passText = "Upscaling frame " + std::to_string(index + 1) + "/"
                    + std::to_string(total) + " (pass " + std::to_string(pass) + "/" + std::to_string(passes) + ")";
                if (progress) progress(tracker.units(), tracker.totalUnits(), passText);
                const auto tileDone = [&](int done, int tiles) {
                    tracker.tileDone(index);
                    if (!progress) return;
                    const auto left = tracker.secondsLeft();
                    progress(tracker.units(), tracker.totalUnits(),
                        passText + ", tile " + std::to_string(done) + "/" + std::to_string(tiles)
                            + (left ? " · about " + roughDuration(*left) + " left" : std::string()));
                };
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
