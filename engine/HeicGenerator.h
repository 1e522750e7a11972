#pragma once

#include "engine/EngineError.h"
#include "engine/HeicPreprocessConfig.h"
#include "engine/HeicPreprocessor.h"
#include "model/WallpaperImage.h"
#include "model/WallpaperMode.h"
#include "platform/Result.h"

#include <filesystem>
#include <optional>
#include <stop_token>
#include <vector>

namespace tl {

// Turns a timeline into one dynamic-wallpaper HEIC file: prepares the frames (as they are, preprocessed,
// or with only the key frames upscaled and the tweens blended again from them), encodes them and attaches
// the solar table (time mode) or the light/dark pair (appearance mode) to the first image.
class HeicGenerator {
public:
    // Blocking; run it on a worker. Reports (current, total, message) from several threads; messages
    // begin "Preprocessed frame", "Upscaling frame", "Regenerating tweens" or "Encoded image" as frames
    // move on. A stop request is honoured between frames and stages and gives Cancelled. The file at
    // `outputPath` is replaced only by a complete wallpaper; a working folder that is not kept is removed
    // whatever the outcome. Nothing thrown leaves it: a failed allocation ends as processingFailed.
    Result<void, EngineError> generate(const std::vector<WallpaperImage>& images, WallpaperMode mode,
        const std::filesystem::path& outputPath, const std::optional<HeicPreprocessConfig>& preprocessConfig,
        const ExportProgress& progress = {}, std::stop_token stop = {}) const;

private:
    Result<void, EngineError> generateInto(const std::vector<WallpaperImage>& images, WallpaperMode mode,
        const std::filesystem::path& outputPath, const std::optional<HeicPreprocessConfig>& preprocessConfig,
        const ExportProgress& progress, std::stop_token stop) const;
};

} // namespace tl
