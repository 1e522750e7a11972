#pragma once

#include "engine/ImageUpscalingTool.h"
#include "engine/upscale/RealESRGAN512.h"

#include <opencv2/core.hpp>

#include <memory>

namespace tl {

// Enlarges an image four times with a super-resolution model working on overlapping 512x512
// tiles. Tiles are taken row by row from the top, left to right within a row, and painted
// without blending: where tiles overlap, the one painted later (further right, or lower) wins.
// The last tile of a row and the tiles of the last row are pulled back to end at the edges.
class CoreMLUpscaleTool final : public ImageUpscalingTool {
public:
    static constexpr int tileSize = 512;
    static constexpr int overlap = 32;
    static constexpr int scaleFactor = 4;
    static constexpr int step = tileSize - overlap;

    // Seconds one tile takes on a quiet 8-core desktop, as bench/upscale measured it; for estimates only.
    static constexpr double typicalSecondsPerTile = 3.0;

    // The forward passes an image of this size costs.
    static int tileCount(int width, int height);

    explicit CoreMLUpscaleTool(std::shared_ptr<const RealESRGAN512> model);

    std::set<int> supportedScales() const override;
    Result<void, UpscaleError> upscale(const std::filesystem::path& input, const std::filesystem::path& output,
        int scale, std::stop_token stop) override;

    // The four-times-larger image, 8-bit BGR, of an 8-bit BGR or BGRA image at least 512 on each side.
    Result<cv::Mat, UpscaleError> upscaleTiled(const cv::Mat& image, std::stop_token stop) const;

private:
    std::shared_ptr<const RealESRGAN512> model_;
};

} // namespace tl
