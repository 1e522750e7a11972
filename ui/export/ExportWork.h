#pragma once

#include "engine/EngineError.h"
#include "engine/HeicExportOptions.h"
#include "engine/HeicPreprocessor.h"
#include "engine/ImageUpscalingTool.h"
#include "model/WallpaperImage.h"
#include "model/WallpaperMode.h"
#include "platform/Result.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace tl::ui {

// What one export writes, fixed when the run starts: later edits of the project or the
// options do not reach it. The images carry no thumbnails.
struct ExportJob {
    std::vector<WallpaperImage> images;
    WallpaperMode mode = WallpaperMode::time;
    std::filesystem::path output;
    HeicExportOptions options;
};

// How a run ended, with the status text the sheet shows.
struct ExportEnd {
    enum class Kind { succeeded, cancelled, failed };
    Kind kind;
    std::string message;
    // What one upscaled tile took in this successful run, for the next estimate; none when nothing
    // was upscaled.
    std::optional<double> secondsPerTile {};
};

// What the user can do about a failed export.
enum class ExportAdvice { tryAgain, chooseAnotherFolder, freeSpace, chooseAnotherDisk };

// The advice that fits a refused write: retrying helps only where the system's reason may pass.
ExportAdvice adviceFor(std::error_code reason);
ExportAdvice adviceFor(const EngineError& error);

// The status text of a failed write: the fixed line with its advice, the error's own description
// under it.
std::string exportFailureMessage(const std::string& description, ExportAdvice advice = ExportAdvice::tryAgain);

// The engine calls an export needs, replaceable in tests.
struct ExportServices {
    // Loads the super-resolution upscaler; the error text says what is missing.
    std::function<Result<std::shared_ptr<ImageUpscalingTool>, std::string>()> makeUpscaler;
    // Writes the wallpaper file; blocking, honours the stop token between frames.
    std::function<Result<void, EngineError>(const std::vector<WallpaperImage>& images, WallpaperMode mode,
        const std::filesystem::path& output, const std::optional<HeicPreprocessConfig>& config,
        const ExportProgress& progress, std::stop_token stop)>
        writeWallpaper;
    // Roughly the seconds one upscaled tile takes on this machine, from a pass short enough to run
    // when the sheet opens; none when it cannot tell. May be empty.
    std::function<std::optional<double>(const std::stop_token& stop)> probeSecondsPerTile;
};

// The real engine behind an export.
ExportServices engineExportServices();

// What the export says when the upscaling model is in none of the places it is looked for.
std::string missingUpscaleModelText(const std::vector<std::filesystem::path>& searched);

// Status texts of a run.
namespace export_text {
inline constexpr const char* preparing = "Preparing export...";
inline constexpr const char* preparingUpscaler = "Preparing the upscaler...";
inline constexpr const char* complete = "Export complete!";
inline constexpr const char* completeKeepingFrames = "Export complete! Preprocessed frames kept for reuse.";
inline constexpr const char* cancelled = "Export cancelled";
inline constexpr const char* failed = "Export failed. Please try again.";
inline constexpr const char* failedChooseFolder = "Export failed. Choose another folder.";
inline constexpr const char* failedFreeSpace = "Export failed. Free some space or choose another disk.";
inline constexpr const char* failedChooseDisk = "Export failed. Choose another disk.";
} // namespace export_text

// The blocking body of one export, run on a worker: logs the run, creates `writeTo` (a file
// beside the chosen one, left for the caller to move or remove), refuses at once when the
// wallpaper cannot fit on that file system, loads the upscaler when
// upscaling is on, turns the options into the preprocessing configuration and has the
// wallpaper written to `writeTo`. A write failure names the chosen file and the system's reason.
// `status` receives the upscaler message; `progress` the writer's reports. A stop request ends
// it as cancelled, never as a failure.
ExportEnd runExportWork(const ExportJob& job, const std::filesystem::path& writeTo, const ExportServices& services,
    const std::function<void(const std::string&)>& status, const ExportProgress& progress, std::stop_token stop);

// runExportWork that never throws: whatever escapes it ends the run as failed.
ExportEnd runExportWorkCatching(const ExportJob& job, const std::filesystem::path& writeTo,
    const ExportServices& services, const std::function<void(const std::string&)>& status,
    const ExportProgress& progress, std::stop_token stop);

} // namespace tl::ui
