#pragma once

#include "engine/HeicPreprocessConfig.h"
#include "engine/HeicUpscaleStrategy.h"
#include "engine/PixelSize.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tl {

// The canvas every exported frame is resized and cropped to.
enum class HeicCanvasPreset { matchSource, apple8k, apple6k, custom };

inline constexpr std::array allHeicCanvasPresets { HeicCanvasPreset::matchSource, HeicCanvasPreset::apple8k,
    HeicCanvasPreset::apple6k, HeicCanvasPreset::custom };

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

    // The custom canvas, when both texts are whole numbers of pixels within the export's limit
    // (readCustomCanvas); read the same in every locale.
    std::optional<PixelSize> customCanvasSize() const;
    // "Enter a valid custom canvas size." while the custom canvas is chosen, resizing is on and the
    // texts give no size.
    std::optional<std::string> customSizeError() const;
    // Why the texts give no size, at the same times.
    std::optional<std::string> customCanvasRefusal() const;
    // The canvas frames are resized and cropped to: the preset's, or the custom one while it is
    // valid; none while resizing is off or each frame keeps its own size.
    std::optional<PixelSize> canvasTarget() const;
    // The preparation these options ask for, or nothing when the source files can be encoded as they are.
    std::optional<HeicPreprocessConfig> makePreprocessConfig(std::shared_ptr<ImageUpscalingTool> upscaler) const;
    // Where prepared frames go: a fresh temporary folder, or a new timestamped folder under the user's
    // data folder when they are kept. Nothing is created here.
    std::filesystem::path preprocessOutputDirectory() const;
};

// Frames prepared for one export go to a folder of this name and a UUID under the temporary folder.
inline constexpr std::string_view temporaryPreprocessPrefix = "TidelumineAIPreprocess-";

// Removes the prepared-frame folders that exports killed before they could clean up left in
// `temporaryFolder`, once they are `olderThan` old (a running export's folder is younger).
void removeStalePreprocessFolders(const std::filesystem::path& temporaryFolder, std::chrono::hours olderThan);

} // namespace tl
