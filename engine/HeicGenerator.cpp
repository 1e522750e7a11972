#include "engine/HeicGenerator.h"

#include "engine/AppearanceOrder.h"
#include "engine/BoundedParallel.h"
#include "engine/CodedFrameFile.h"
#include "engine/CodingProgress.h"
#include "engine/EncoderMemory.h"
#include "engine/FramesInFlight.h"
#include "engine/HeicEncoder.h"
#include "engine/TweenRegeneration.h"
#include "engine/WallpaperMetadata.h"
#include "engine/upscale/UpscaleProgress.h"
#include "platform/ExceptionText.h"
#include "platform/ImageDecoding.h"
#include "platform/ImageFileExtent.h"
#include "platform/Log.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <variant>

namespace tl {
namespace {

namespace fs = std::filesystem;
using Frames = std::vector<HeicFrameSource>;

ImageExtent storedExtent(const fs::path& file)
{
    return readImageFileExtent(file).value_or(ImageExtent {});
}

MemoryNeed codingNeed(const ImageExtent& extent, int threads)
{
    return frameMemoryNeed(static_cast<int>(extent.width), static_cast<int>(extent.height), threads);
}

// Waits for the memory to decode and code frames of `largest` size, as their headers give it,
// before any of it is taken: a frame that cannot fit fails here instead of being killed halfway.
Result<FrameMemory::Reservation, EngineError> admitFrames(
    MemoryNeed need, const ImageExtent& largest, std::stop_token stop)
{
    return admitFrame(need,
        "not enough memory to encode a frame of " + std::to_string(largest.width) + " x "
            + std::to_string(largest.height) + " pixels",
        std::move(stop));
}

// A frame coded and waiting to be placed in the wallpaper: in memory, or in the coded-frame file.
using CodedFrame = std::variant<HevcCodedImage, CodedFrameFile::Stored>;

// Frames held in memory are handed over, not copied.
std::variant<HevcCodedImage, std::error_code> placeable(CodedFrame&& frame, const std::optional<CodedFrameFile>& spill)
{
    if (auto* image = std::get_if<HevcCodedImage>(&frame)) return std::move(*image);
    return spill->load(std::get<CodedFrameFile::Stored>(frame));
}

// Removes the working folder on every way out unless it is to be kept or was there before the run.
class WorkingFolderGuard {
public:
    explicit WorkingFolderGuard(const std::optional<HeicPreprocessConfig>& config)
    {
        std::error_code error;
        if (config && !config->keepPreprocessedFrames && !config->outputDirectory.empty()
            && !fs::exists(config->outputDirectory, error))
            folder_ = config->outputDirectory;
    }
    ~WorkingFolderGuard()
    {
        std::error_code ignored;
        if (!folder_.empty()) fs::remove_all(folder_, ignored);
    }
    WorkingFolderGuard(const WorkingFolderGuard&) = delete;
    WorkingFolderGuard& operator=(const WorkingFolderGuard&) = delete;

private:
    fs::path folder_;
};

class Run {
public:
    Run(std::size_t imageCount, const std::optional<HeicPreprocessConfig>& config, const ExportProgress& progress,
        std::stop_token stop)
        : n_(static_cast<int>(imageCount))
        , unit_(config ? UpscaleProgress::unitsPerFrame : 1)
        , preparationSteps_(config ? n_ : 0)
        , config_(config)
        , progress_(progress)
        , stop_(std::move(stop))
    {
    }

    // `steps` counts frame-sized steps of preparing and then coding; upscaled tiles weigh several
    // steps each, so the bar keeps pace with the work and moves with every tile.
    void report(double steps, const std::string& message) const
    {
        const int total = static_cast<int>(std::lround(this->total() * unit_));
        if (progress_) progress_(std::clamp(static_cast<int>(std::lround(steps * unit_)), 0, total), total, message);
    }

    double total() const { return preparationSteps_ + n_; }
    std::stop_token stop() const { return stop_; }

    Result<Frames, EngineError> prepareFrames(const std::vector<WallpaperImage>& images) const
    {
        if (!config_ || config_->enablesNothing()) {
            Frames frames;
            for (const WallpaperImage& image : images) {
                if (!image.sourcePath)
                    return EngineError(HeicGeneratorError::invalidConfiguration("Missing source path for image"));
                frames.push_back({ image, *image.sourcePath, {} });
            }
            return frames;
        }
        const auto tweens = std::ranges::count_if(images, &WallpaperImage::isTween);
        if (tweens > 0 && config_->upscaler) {
            log("[HeicGenerator] Using optimized upscale-before-tween path (" + std::to_string(tweens) + " tweens)");
            return prepareOptimizedFrames(images);
        }
        if (tweens == 0 && !config_->upscaler) log("[HeicGenerator] Using standard path (no tweens or upscaling)");
        auto session = HeicPreprocessor(*config_).preprocess(
            images,
            [this](int current, int count, const std::string& message) {
                preparationSteps_ = static_cast<double>(count) / UpscaleProgress::unitsPerFrame;
                report(static_cast<double>(current) / UpscaleProgress::unitsPerFrame, message);
            },
            stop_);
        if (!session) return session.error();
        return std::move(session).value().frames;
    }

    // Time mode: every frame in timeline order. One frame is coded while the next is decoded and
    // waits to be coded (FramesInFlight); the coded frames are placed in the container in order
    // afterwards.
    Result<void, EngineError> encodeFrames(const Frames& frames, const std::string& xmp, const fs::path& output) const
    {
        auto encoder = HeicEncoder::create();
        if (!encoder) return EngineError(encoder.error());
        const int count = static_cast<int>(frames.size());
        const int threads = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
        std::vector<ImageExtent> extents;
        for (const HeicFrameSource& frame : frames)
            extents.push_back(storedExtent(frame.url));
        FramesInFlight inFlight(threads);
        // Without a file for them the coded frames stay in memory.
        auto spill = CodedFrameFile::createIn(output.has_parent_path() ? output.parent_path() : fs::path("."));
        CodingProgress codingProgress(
            count, [this](int coded, const std::string& message) { report(preparationSteps_ + coded, message); });
        auto coded = runBounded<CodedFrame>(
            count, FramesInFlight::workers, stop_,
            [&](int index, std::stop_token frameStop) -> Result<CodedFrame, EngineError> {
                const auto& frame = frames[static_cast<std::size_t>(index)];
                const ImageExtent& extent = extents[static_cast<std::size_t>(index)];
                const auto memory = admitFrames(codingNeed(extent, threads), extent, frameStop);
                if (!memory) return memory.error();
                cv::Mat pixels = decodeImageFile(frame.url);
                if (pixels.empty()) return EngineError(HeicGeneratorError::imageLoadFailed(frame.url.string()));
                warnBeyondLevel(pixels, index);
                auto coding = inFlight.coding(pixels.total(), frameStop);
                if (!coding) return EngineError(Cancelled {});
                auto analysed = HeicEncoder::startCoding(std::move(pixels), threads);
                if (!analysed) return EngineError(analysed.error());
                coding->analysed();
                auto image = std::move(analysed).value().code();
                if (!image) return EngineError(image.error());
                if (!spill) return CodedFrame(std::move(image).value());
                auto stored = spill->store(image.value());
                if (const auto* error = std::get_if<std::error_code>(&stored))
                    return EngineError(HeicGeneratorError::fileWriteFailed(output.string(), *error));
                return CodedFrame(std::get<CodedFrameFile::Stored>(stored));
            },
            [&](int, const CodedFrame&) { codingProgress.frameCoded(); },
            [&](int index) { return frames[static_cast<std::size_t>(index)].image.fileName; });
        if (!coded) return coded.error();
        for (int i = 0; i < count; ++i) {
            auto image = placeable(std::move(coded.value()[static_cast<std::size_t>(i)]), spill);
            if (const auto* error = std::get_if<std::error_code>(&image))
                return EngineError(HeicGeneratorError::fileWriteFailed(output.string(), *error));
            const auto metadata = i == 0 ? std::optional(xmp) : std::nullopt;
            if (auto added = encoder.value().addCodedImage(std::get<HevcCodedImage>(image), metadata); !added)
                return EngineError(added.error());
        }
        if (stop_.stop_requested()) return EngineError(Cancelled {});
        if (auto written = encoder.value().writeTo(output); !written) return EngineError(written.error());
        return {};
    }

    static void warnBeyondLevel(const cv::Mat& pixels, int index)
    {
        if (pixels.cols > largestLevelWidth || pixels.rows > largestLevelHeight)
            log("⚠️ Frame " + std::to_string(index + 1) + " is " + std::to_string(pixels.cols) + "x"
                + std::to_string(pixels.rows) + ", larger than HEVC allows (8192x4352); some viewers may not show it");
    }

    static Result<void, EngineError> addFrame(
        HeicEncoder& encoder, const cv::Mat& pixels, int index, const std::optional<std::string>& xmp)
    {
        warnBeyondLevel(pixels, index);
        if (auto added = encoder.addImage(pixels, xmp); !added) return EngineError(added.error());
        return {};
    }

private:
    Result<Frames, EngineError> prepareOptimizedFrames(const std::vector<WallpaperImage>& images) const
    {
        std::vector<WallpaperImage> keys, tweens;
        for (const WallpaperImage& image : images)
            (image.isTween ? tweens : keys).push_back(image);
        log("[HeicGenerator] Optimized path: " + std::to_string(keys.size()) + " key frames, "
            + std::to_string(tweens.size()) + " tweens");
        if (keys.empty())
            return EngineError(HeicGeneratorError::invalidConfiguration("No key frames found (only tweens)"));

        // Blending a tween and writing it is about one frame's own work.
        const int tweenCount = static_cast<int>(tweens.size());
        report(0, "Upscaling " + std::to_string(keys.size()) + " key frames...");
        auto session = HeicPreprocessor(*config_).preprocess(
            keys,
            [&](int current, int count, const std::string& message) {
                preparationSteps_ = static_cast<double>(count) / UpscaleProgress::unitsPerFrame + tweenCount;
                report(static_cast<double>(current) / UpscaleProgress::unitsPerFrame, message);
            },
            stop_);
        if (!session) return session.error();
        Frames frames = std::move(session).value().frames;
        log("[HeicGenerator] Upscaled " + std::to_string(frames.size()) + " key frames");

        const double keySteps = preparationSteps_ - tweenCount;
        auto blended = regenerateTweens(
            tweens, images, frames, config_->outputDirectory,
            [&](int done) {
                report(keySteps + done,
                    "Regenerating tweens (" + std::to_string(done) + "/" + std::to_string(tweenCount) + ")...");
            },
            stop_);
        if (!blended) return blended.error();
        log("[HeicGenerator] Regenerated " + std::to_string(blended.value().size()) + " tweens");

        std::ranges::move(blended.value(), std::back_inserter(frames));
        const auto position = [&](const HeicFrameSource& frame) {
            return indexOfImage(images, frame.image.id).value_or(images.size());
        };
        std::ranges::stable_sort(frames, {}, position);
        log("[HeicGenerator] Combined frames: " + std::to_string(frames.size()) + " total");
        return frames;
    }

    int n_;
    int unit_;
    // Frame-sized steps of preparation, known once the preparation has planned its tiles.
    mutable std::atomic<double> preparationSteps_;
    const std::optional<HeicPreprocessConfig>& config_;
    const ExportProgress& progress_;
    std::stop_token stop_;
};

Result<void, EngineError> writeSolarWallpaper(
    const Run& run, const std::vector<WallpaperImage>& images, const fs::path& output)
{
    run.report(0, "Creating time-based wallpaper...");
    auto frames = run.prepareFrames(images);
    if (!frames) return frames.error();
    if (run.stop().stop_requested()) return EngineError(Cancelled {});
    const std::string xmp = desktopXmpPacket(solarRecord(frames.value()), solarPropertyName);
    if (auto encoded = run.encodeFrames(frames.value(), xmp, output); !encoded) return encoded;
    run.report(run.total(), "Solar wallpaper created with " + std::to_string(frames.value().size()) + " images");
    return {};
}

Result<cv::Mat, EngineError> loadFrame(const HeicFrameSource& frame, const std::string& role)
{
    log("DEBUG: Loading " + role + " image from: " + frame.url.string());
    cv::Mat pixels = decodeImageFile(frame.url);
    if (pixels.empty()) return EngineError(HeicGeneratorError::imageLoadFailed(frame.url.string()));
    std::string label = role;
    label[0] = static_cast<char>(std::toupper(label[0]));
    log("DEBUG: " + label + " image size: " + std::to_string(pixels.cols) + "x" + std::to_string(pixels.rows));
    return pixels;
}

Result<void, EngineError> writeAppearanceWallpaper(
    const Run& run, std::vector<WallpaperImage> images, const fs::path& output)
{
    run.report(0, "Creating appearance-based wallpaper...");
    log("DEBUG: Appearance mode - " + std::to_string(images.size()) + " images");
    if (images.size() < 2)
        return EngineError(HeicGeneratorError::invalidConfiguration("Appearance mode requires at least 2 images"));
    images = lightFirst(std::move(images));
    // A second light image is never the dark one while a dark image exists.
    const std::size_t darkIndex = darkPosition(images);
    log("DEBUG: Sorted images - light: " + images[0].fileName + ", dark: " + images[darkIndex].fileName);

    auto frames = run.prepareFrames(images);
    if (!frames) return frames.error();
    if (frames.value().empty()) return EngineError(HeicGeneratorError::invalidConfiguration("No images to encode"));
    if (run.stop().stop_requested()) return EngineError(Cancelled {});
    const HeicFrameSource& lightFrame = frames.value()[0];
    const HeicFrameSource& darkFrame = darkIndex < frames.value().size() ? frames.value()[darkIndex] : lightFrame;
    // Both pictures are held while they are coded one after the other.
    const int threads = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const ImageExtent lightExtent = storedExtent(lightFrame.url);
    const ImageExtent darkExtent = storedExtent(darkFrame.url);
    const bool lightIsLarger = lightExtent.width * lightExtent.height >= darkExtent.width * darkExtent.height;
    const ImageExtent& larger = lightIsLarger ? lightExtent : darkExtent;
    const ImageExtent& smaller = lightIsLarger ? darkExtent : lightExtent;
    MemoryNeed need = codingNeed(larger, threads);
    need += decodeMemoryNeed(smaller.width, smaller.height);
    const auto memory = admitFrames(need, larger, run.stop());
    if (!memory) return memory.error();
    auto light = loadFrame(lightFrame, "light");
    if (!light) return light.error();
    auto dark = loadFrame(darkFrame, "dark");
    if (!dark) return dark.error();

    log("DEBUG: Creating metadata plist");
    const std::string encoded = base64(serializeBinaryPropertyList(appearanceRecord()));
    log("DEBUG: Metadata base64 length: " + std::to_string(encoded.size()));
    log("DEBUG: Creating XMP metadata");
    log("DEBUG: Registering namespace");
    log("DEBUG: Creating metadata tag");
    log("DEBUG: Setting metadata tag");
    const std::string xmp = desktopXmpPacket(appearanceRecord(), appearancePropertyName);

    log("DEBUG: Creating image destination at: " + output.string());
    auto encoder = HeicEncoder::create();
    if (!encoder) {
        log("ERROR: Failed to create image destination");
        return EngineError(encoder.error());
    }
    log("DEBUG: Adding light image with metadata");
    if (auto added = Run::addFrame(encoder.value(), light.value(), 0, xmp); !added) return added;
    if (run.stop().stop_requested()) return EngineError(Cancelled {});
    log("DEBUG: Adding dark image");
    if (auto added = Run::addFrame(encoder.value(), dark.value(), 1, std::nullopt); !added) return added;
    log("DEBUG: Finalizing HEIC file");
    if (auto written = encoder.value().writeTo(output); !written) {
        log("ERROR: Failed to finalize HEIC");
        return EngineError(written.error());
    }
    log("DEBUG: Appearance wallpaper created successfully");
    run.report(run.total(), "Appearance wallpaper created");
    return {};
}

} // namespace

Result<void, EngineError> HeicGenerator::generate(const std::vector<WallpaperImage>& images, WallpaperMode mode,
    const fs::path& outputPath, const std::optional<HeicPreprocessConfig>& preprocessConfig,
    const ExportProgress& progress, std::stop_token stop) const
{
    const WorkingFolderGuard workingFolder(preprocessConfig);
    try {
        return generateInto(images, mode, outputPath, preprocessConfig, progress, stop);
    } catch (...) {
        // Work outside the frame jobs (sorting, metadata, the appearance pair) that could not get
        // its memory fails the export like a frame does; the guard still removes the folder.
        const std::string what = currentExceptionText();
        log("ERROR: " + what);
        return EngineError(HeicGeneratorError::processingFailed(what));
    }
}

Result<void, EngineError> HeicGenerator::generateInto(const std::vector<WallpaperImage>& images, WallpaperMode mode,
    const fs::path& outputPath, const std::optional<HeicPreprocessConfig>& preprocessConfig,
    const ExportProgress& progress, std::stop_token stop) const
{
    const Run run(images.size(), preprocessConfig, progress, stop);
    run.report(0, "Starting generation...");
    if (images.empty()) return EngineError(HeicGeneratorError::invalidConfiguration("No images provided"));
    for (std::size_t p = 0; p < images.size(); ++p) {
        const WallpaperImage& image = images[p];
        if (!image.sourcePath) {
            log("ERROR: Image " + std::to_string(p) + " (" + image.fileName + ") has no source path");
            return EngineError(
                HeicGeneratorError::invalidConfiguration("Image " + image.fileName + " has no source path"));
        }
        std::error_code error;
        if (!fs::is_regular_file(*image.sourcePath, error)) {
            log("ERROR: Image file not found: " + *image.sourcePath);
            return EngineError(HeicGeneratorError::imageLoadFailed(*image.sourcePath));
        }
    }
    log("Generating " + std::string(rawValue(mode)) + " wallpaper with " + std::to_string(images.size()) + " images to "
        + outputPath.string());
    if (stop.stop_requested()) return EngineError(Cancelled {});
    return mode == WallpaperMode::time ? writeSolarWallpaper(run, images, outputPath)
                                       : writeAppearanceWallpaper(run, images, outputPath);
}

} // namespace tl
