#pragma once

#include "engine/EngineError.h"
#include "engine/HeicFrameSource.h"
#include "engine/HeicPreprocessConfig.h"
#include "engine/upscale/UpscaleProgress.h"
#include "model/WallpaperImage.h"
#include "platform/Result.h"

#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace tl {

// (current, total, message); may be called from several threads at once.
using ExportProgress = std::function<void(int current, int total, const std::string& message)>;

// Prepares export frames into the configuration's working folder: 8-bit sRGB, upscaled in the planned
// passes, scaled and cropped to the canvas, optionally dithered; several frames at a time.
class HeicPreprocessor {
public:
    static constexpr int maxConcurrentPreprocess = 3;

    explicit HeicPreprocessor(HeicPreprocessConfig config);

    // One frame_NNNN.png per image, returned in input order. Progress is reported through
    // UpscaleProgress, counted in its units and moving with every tile: the whole run's line while
    // tiles remain, "Preprocessed frame <c>/<m>" as frames finish otherwise. The first failure stops
    // the other frames and is returned unchanged (upscaler errors included); a stop request gives
    // Cancelled. Files already written stay; the caller owns the folder.
    Result<HeicPreprocessSession, EngineError> preprocess(const std::vector<WallpaperImage>& images,
        const ExportProgress& progress = {}, std::stop_token stop = {}) const;

private:
    bool upscales() const;
    // The tiles of every pass planned for a frame of this size; none without upscaling.
    int tilesFor(PixelSize size) const;
    Result<HeicFrameSource, EngineError> preprocessFrame(
        const WallpaperImage& image, int index, UpscaleProgress& tracker, std::stop_token stop) const;

    HeicPreprocessConfig config_;
};

} // namespace tl
