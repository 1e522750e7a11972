#include "engine/TweenGenerator.h"

#include "engine/FramePng.h"
#include "engine/LanczosResampler.h"
#include "engine/LinearLightBlend.h"
#include "platform/ImageDecoding.h"

#include <opencv2/imgproc.hpp>

#include <cstdio>

namespace tl {
namespace {

namespace fs = std::filesystem;

// Both frames in one pixel layout: BGRA when either has alpha.
void matchChannels(cv::Mat& a, cv::Mat& b)
{
    if (a.channels() == b.channels()) return;
    cv::Mat& opaque = a.channels() == 3 ? a : b;
    cv::cvtColor(opaque, opaque, cv::COLOR_BGR2BGRA);
}

// The platform's way of printing a rectangle, e.g. (0.0, 0.0, 7680.0, 4320.0).
std::string extentText(const cv::Mat& pixels)
{
    return "(0.0, 0.0, " + std::to_string(pixels.cols) + ".0, " + std::to_string(pixels.rows) + ".0)";
}

std::string tweenFileName(int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "tween_%04d.png", index);
    return name;
}

struct DecodedPair {
    cv::Mat source;
    cv::Mat target;
};

Result<DecodedPair, EngineError> decodePair(const std::string& sourcePath, const std::string& targetPath, int count)
{
    if (count < 1) return EngineError(TweenGeneratorError::invalidImageCount);
    std::error_code error;
    if (!fs::is_regular_file(sourcePath, error) || !fs::is_regular_file(targetPath, error))
        return EngineError(TweenGeneratorError::imageLoadFailed);
    DecodedPair pair { decodeImageFile(sourcePath), decodeImageFile(targetPath) };
    if (pair.source.empty() || pair.target.empty()) return EngineError(TweenGeneratorError::imageLoadFailed);
    matchChannels(pair.source, pair.target);
    if (pair.target.size() != pair.source.size())
        pair.target = stretchTo(pair.target, pair.source.cols, pair.source.rows);
    return pair;
}

// Walks from the image next to `id` in `step` direction to the timeline's end, then once more over
// the whole timeline from the far end, and returns the first key image found.
std::optional<HeicFrameSource> findKeyFrame(
    const Uuid& id, const std::vector<WallpaperImage>& images, const std::vector<HeicFrameSource>& frames, int step)
{
    const auto position = indexOfImage(images, id);
    if (!position) return std::nullopt;
    const auto count = static_cast<std::ptrdiff_t>(images.size());
    const auto isKey = [&](std::ptrdiff_t i) { return !images[static_cast<std::size_t>(i)].isTween; };
    std::optional<std::ptrdiff_t> key;
    for (std::ptrdiff_t i = static_cast<std::ptrdiff_t>(*position) + step; i >= 0 && i < count && !key; i += step)
        if (isKey(i)) key = i;
    for (std::ptrdiff_t i = step > 0 ? 0 : count - 1; i >= 0 && i < count && !key; i += step)
        if (isKey(i)) key = i;
    if (!key) return std::nullopt;
    const Uuid& keyId = images[static_cast<std::size_t>(*key)].id;
    const auto frame = std::ranges::find_if(frames, [&](const HeicFrameSource& f) { return f.image.id == keyId; });
    if (frame == frames.end()) return std::nullopt;
    return *frame;
}

} // namespace

double TweenGenerator::easedTime(int index, int count)
{
    const double t = static_cast<double>(index) / (count + 1);
    return t * t * (3 - 2 * t);
}

Result<std::vector<std::shared_ptr<const Image>>, EngineError> TweenGenerator::generateTweenImages(
    const std::string& sourcePath, const std::string& targetPath, int count, const Progress& progress,
    std::stop_token stop) const
{
    auto pair = decodePair(sourcePath, targetPath, count);
    if (!pair) return pair.error();
    std::vector<std::shared_ptr<const Image>> images;
    for (int i = 1; i <= count; ++i) {
        if (stop.stop_requested()) return EngineError(Cancelled {});
        cv::Mat blended = blendLinearLight(pair.value().source, pair.value().target, easedTime(i, count));
        if (blended.channels() == 3) cv::cvtColor(blended, blended, cv::COLOR_BGR2BGRA);
        images.push_back(std::make_shared<const Image>(std::move(blended)));
        if (progress) progress(i, count);
    }
    return images;
}

Result<std::vector<std::string>, EngineError> TweenGenerator::generateTweenFiles(const std::string& sourcePath,
    const std::string& targetPath, int count, const fs::path& outputFolder, const std::string& baseName,
    const Progress& progress, std::stop_token stop) const
{
    std::error_code ignored; // a folder that cannot be made shows as a failed write below
    fs::create_directories(outputFolder, ignored);
    auto pair = decodePair(sourcePath, targetPath, count);
    if (!pair) return pair.error();
    // Each frame is written as soon as it is blended, so only one is held at a time.
    std::vector<std::string> paths;
    for (int i = 1; i <= count; ++i) {
        if (stop.stop_requested()) return EngineError(Cancelled {});
        const cv::Mat blended = blendLinearLight(pair.value().source, pair.value().target, easedTime(i, count));
        if (progress) progress(i, count);
        const fs::path file = outputFolder / (baseName + "_tween_" + std::to_string(i) + ".png");
        if (auto written = writePNG(blended, file); !written) return EngineError(written.error());
        paths.push_back(file.string());
    }
    return paths;
}

Result<HeicFrameSource, EngineError> TweenGenerator::writeBlendedFrame(const WallpaperImage& tween,
    const HeicFrameSource& earlier, const HeicFrameSource& later, double factor, int index,
    const fs::path& outputFolder) const
{
    cv::Mat from = decodeImageFile(earlier.url);
    if (from.empty()) return EngineError(HeicGeneratorError::imageLoadFailed(earlier.url.string()));
    cv::Mat to = decodeImageFile(later.url);
    if (to.empty()) return EngineError(HeicGeneratorError::imageLoadFailed(later.url.string()));
    if (from.size() != to.size())
        return EngineError(HeicGeneratorError::processingFailed(
            "Source images have different sizes: " + extentText(from) + " vs " + extentText(to)));
    matchChannels(from, to);
    return writeBlendedPixels(tween, from, to, factor, index, outputFolder);
}

Result<HeicFrameSource, EngineError> TweenGenerator::writeBlendedPixels(const WallpaperImage& tween,
    const cv::Mat& earlier, const cv::Mat& later, double factor, int index, const fs::path& outputFolder) const
{
    const cv::Mat blended = blendLinearLight(earlier, later, factor);
    const fs::path file = outputFolder / tweenFileName(index);
    if (auto written = writePNG(blended, file); !written) return EngineError(written.error());
    return HeicFrameSource { tween, file, { static_cast<double>(blended.cols), static_cast<double>(blended.rows) } };
}

std::optional<HeicFrameSource> TweenGenerator::previousKeyFrame(
    const Uuid& id, const std::vector<WallpaperImage>& images, const std::vector<HeicFrameSource>& frames)
{
    return findKeyFrame(id, images, frames, -1);
}

std::optional<HeicFrameSource> TweenGenerator::nextKeyFrame(
    const Uuid& id, const std::vector<WallpaperImage>& images, const std::vector<HeicFrameSource>& frames)
{
    return findKeyFrame(id, images, frames, +1);
}

} // namespace tl
