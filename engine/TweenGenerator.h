#pragma once

#include "engine/EngineError.h"
#include "engine/HeicFrameSource.h"
#include "model/WallpaperImage.h"
#include "platform/Image.h"
#include "platform/Result.h"

#include <opencv2/core.hpp>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace tl {

// Blends tween frames between two images in linear light. Keeps no state, so one generator may serve
// several threads at once.
class TweenGenerator {
public:
    // (frames done, total frames); called on the blending thread.
    using Progress = std::function<void(int done, int total)>;

    // The eased dissolve time of frame `index` (from 1) of `count`: smoothstep of index / (count + 1).
    static double easedTime(int index, int count);

    // `count` frames between the two files, the target stretched to the source's pixel size.
    // A stop request ends the run before the next frame with Cancelled.
    Result<std::vector<std::shared_ptr<const Image>>, EngineError> generateTweenImages(const std::string& sourcePath,
        const std::string& targetPath, int count, const Progress& progress = {}, std::stop_token stop = {}) const;

    // The same frames written as <baseName>_tween_<k>.png (k from 1) into `outputFolder`, which is
    // created when missing; returns the files' paths in order.
    Result<std::vector<std::string>, EngineError> generateTweenFiles(const std::string& sourcePath,
        const std::string& targetPath, int count, const std::filesystem::path& outputFolder,
        const std::string& baseName, const Progress& progress = {}, std::stop_token stop = {}) const;

    // One export tween at `factor` (not eased) between two prepared frames of equal size, written as
    // tween_<index, four digits>.png into `outputFolder`.
    Result<HeicFrameSource, EngineError> writeBlendedFrame(const WallpaperImage& tween, const HeicFrameSource& earlier,
        const HeicFrameSource& later, double factor, int index, const std::filesystem::path& outputFolder) const;

    // The same from pixels already decoded (equal size and type), for callers that keep key frames.
    Result<HeicFrameSource, EngineError> writeBlendedPixels(const WallpaperImage& tween, const cv::Mat& earlier,
        const cv::Mat& later, double factor, int index, const std::filesystem::path& outputFolder) const;

    // The prepared frame of the nearest key image before (after) the image with `id`, searching past
    // the start (end) of the timeline when needed. Nothing when the id is unknown, the timeline has no
    // key image, or the key image has no prepared frame.
    static std::optional<HeicFrameSource> previousKeyFrame(
        const Uuid& id, const std::vector<WallpaperImage>& images, const std::vector<HeicFrameSource>& frames);
    static std::optional<HeicFrameSource> nextKeyFrame(
        const Uuid& id, const std::vector<WallpaperImage>& images, const std::vector<HeicFrameSource>& frames);
};

} // namespace tl
