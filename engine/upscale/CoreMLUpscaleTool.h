#pragma once

#include "engine/ImageUpscalingTool.h"
#include "engine/upscale/RealESRGAN512.h"

#include <opencv2/core.hpp>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

namespace tl {

// Enlarges an image four times with a super-resolution model working on overlapping 512x512
// tiles. Tiles are taken row by row from the top, left to right within a row, and painted
// without blending: where tiles overlap, the one painted later (further right, or lower) wins.
// The last tile of a row and the tiles of the last row are pulled back to end at the edges.
// A picture narrower or lower than a tile is first extended by reflection to a tile's side and
// the result cut back to four times the picture.
class CoreMLUpscaleTool final : public ImageUpscalingTool {
public:
    static constexpr int tileSize = 512;
    static constexpr int overlap = 32;
    static constexpr int scaleFactor = 4;
    static constexpr int step = tileSize - overlap;

    // Seconds one tile takes on a quiet 8-core desktop, as bench/upscale measured it; for estimates
    // made before this machine has been measured.
    static constexpr double typicalSecondsPerTile = 3.0;

    // The forward passes an image of this size costs.
    static int tilesOf(int width, int height);

    explicit CoreMLUpscaleTool(std::shared_ptr<const RealESRGAN512> model);

    std::set<int> supportedScales() const override;
    int tileCount(int width, int height) const override { return tilesOf(width, height); }
    Result<void, UpscaleError> upscale(const std::filesystem::path& input, const std::filesystem::path& output,
        int scale, std::stop_token stop, const TileProgress& tileDone) override;
    // Counts everything a pass does (decoding, tiles, writing) while any pass runs, over the tiles run.
    std::optional<double> secondsPerTile() const override;

    // The four-times-larger image, 8-bit BGR, of a non-empty 8-bit BGR or BGRA image.
    Result<cv::Mat, UpscaleError> upscaleTiled(
        const cv::Mat& image, std::stop_token stop, const TileProgress& tileDone = {}) const;

private:
    class Working;

    std::shared_ptr<const RealESRGAN512> model_;
    mutable std::mutex timingMutex_;
    mutable int runningPasses_ = 0;
    mutable std::chrono::steady_clock::time_point busySince_ {};
    mutable std::chrono::steady_clock::duration busy_ {};
    mutable std::int64_t tilesRun_ = 0;
};

} // namespace tl
