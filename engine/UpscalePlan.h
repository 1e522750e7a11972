#pragma once

#include "engine/HeicUpscaleStrategy.h"
#include "engine/PixelSize.h"

#include <optional>
#include <set>
#include <vector>

namespace tl {

// The upscaling passes planned for one frame and the size it has after them.
struct UpscalePlan {
    struct Step {
        int scale = 1;
        friend bool operator==(const Step&, const Step&) = default;
    };

    std::vector<Step> steps;
    PixelSize estimatedOutputSize;

    // The factor one pass would use for a frame of this size; 1 when nothing applies.
    static int preferredScale(HeicUpscaleStrategy strategy, PixelSize size, const std::set<int>& supportedScales);

    // Passes that bring the frame towards the target (or one preferred pass without a target).
    // Sizes that are not finite and positive give no passes.
    static UpscalePlan make(HeicUpscaleStrategy strategy, PixelSize size, std::optional<PixelSize> targetSize,
        const std::set<int>& supportedScales);
};

} // namespace tl
