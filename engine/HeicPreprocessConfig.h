#pragma once

#include "engine/HeicUpscaleStrategy.h"
#include "engine/ImageUpscalingTool.h"
#include "engine/PixelSize.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace tl {

// How every export frame is prepared before encoding; built from the export options.
struct HeicPreprocessConfig {
    std::optional<PixelSize> targetSize {}; // the canvas; none keeps each frame's own (upscaled) size
    HeicUpscaleStrategy upscaleStrategy = HeicUpscaleStrategy::off;
    bool enableDither = false;
    std::shared_ptr<ImageUpscalingTool> upscaler {}; // none skips upscaling
    std::filesystem::path outputDirectory {}; // the working folder of this export
    bool keepPreprocessedFrames = false;

    // True when no stage would change a frame: no canvas, no dithering, no upscaler.
    bool enablesNothing() const { return !targetSize && !enableDither && !upscaler; }
};

} // namespace tl
