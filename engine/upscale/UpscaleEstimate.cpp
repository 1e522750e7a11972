#include "engine/upscale/UpscaleEstimate.h"

#include "engine/CanvasLimit.h"
#include "engine/upscale/CoreMLUpscaleTool.h"

#include <cmath>

namespace tl {

int plannedTiles(const UpscalePlan& plan, PixelSize size)
{
    int tiles = 0;
    for (const auto& step : plan.steps) {
        tiles += CoreMLUpscaleTool::tilesOf(
            static_cast<int>(std::lround(size.width)), static_cast<int>(std::lround(size.height)));
        size = { size.width * step.scale, size.height * step.scale };
    }
    return tiles;
}

UpscaleEstimate estimateUpscale(const std::vector<PixelSize>& frames, HeicUpscaleStrategy strategy,
    std::optional<PixelSize> targetSize, double secondsPerTile)
{
    UpscaleEstimate estimate;
    const std::set<int> scales { CoreMLUpscaleTool::scaleFactor };
    for (const PixelSize& frame : frames) {
        const auto plan = UpscalePlan::make(strategy, frame, targetSize, scales);
        if (plan.steps.empty()) continue;
        // Passes only grow a frame, so an output within the limit keeps every tile count inside an int.
        if (!fitsCanvasLimit(plan.estimatedOutputSize)) {
            estimate = {};
            estimate.withinLimit = false;
            return estimate;
        }
        estimate.upscaledFrames.push_back(frame);
        estimate.passes += static_cast<int>(plan.steps.size());
        estimate.tiles += plannedTiles(plan, frame);
    }
    estimate.seconds = estimate.tiles * secondsPerTile;
    return estimate;
}

std::string roughDuration(double seconds)
{
    const auto whole = [](double value) { return std::to_string(static_cast<long>(std::lround(value))); };
    if (seconds < 9.95) {
        const long tenths = std::lround(seconds * 10);
        return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
    }
    if (seconds < 90) return whole(seconds) + " s";
    const long minutes = std::lround(seconds / 60);
    if (minutes < 60) return std::to_string(minutes) + " min";
    const std::string hours = std::to_string(minutes / 60) + " h";
    return minutes % 60 == 0 ? hours : hours + " " + std::to_string(minutes % 60) + " min";
}

} // namespace tl
