#pragma once

#include "engine/HeicUpscaleStrategy.h"

#include <optional>
#include <string>
#include <string_view>

namespace tl {

// The canvas every exported frame is resized and cropped to.
enum class HeicCanvasPreset { matchSource, apple8k, apple6k, custom };

std::string_view rawValue(HeicCanvasPreset preset);
// Only the four raw values, case-sensitive, give a preset.
std::optional<HeicCanvasPreset> heicCanvasPreset(std::string_view raw);

// What the export options sheet edits and the UI state keeps between exports.
struct HeicExportOptions {
    bool resizeEnabled = true;
    HeicCanvasPreset canvasPreset = HeicCanvasPreset::apple8k;
    std::string customWidth = "7680";
    std::string customHeight = "4320";
    bool upscaleEnabled = true;
    HeicUpscaleStrategy upscaleStrategy = HeicUpscaleStrategy::autoScale;
    bool enableDither = false;
    bool keepPreprocessedFrames = false;
};

} // namespace tl
