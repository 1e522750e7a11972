#pragma once

#include "engine/HeicUpscaleStrategy.h"
#include "engine/PixelSize.h"
#include "engine/UpscalePlan.h"

#include <optional>
#include <string>
#include <vector>

namespace tl {

// The tiles the tiled upscaler runs for one frame of `size` over every pass of `plan`.
int plannedTiles(const UpscalePlan& plan, PixelSize size);

// What upscaling a set of frames costs: the tiles of every pass the plan makes for each frame,
// times the seconds one tile takes. A frame whose plan has no pass costs nothing.
struct UpscaleEstimate {
    std::vector<PixelSize> upscaledFrames; // the sizes of the frames that have a pass, in order
    int passes = 0; // over all frames
    int tiles = 0; // over all frames and passes
    double seconds = 0;
    // False when a frame that upscales, or one of its passes, is beyond the canvas limit: the
    // export refuses it, so nothing is counted.
    bool withinLimit = true;
};

UpscaleEstimate estimateUpscale(const std::vector<PixelSize>& frames, HeicUpscaleStrategy strategy,
    std::optional<PixelSize> targetSize, double secondsPerTile);

// "12 s", "4 min", "1 h 20 min": a duration as a person would say it roughly.
std::string roughDuration(double seconds);

} // namespace tl
