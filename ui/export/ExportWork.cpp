#include "ui/export/ExportWork.h"

#include "engine/CanvasLimit.h"
#include "platform/ExceptionText.h"
#include "platform/FileReplacement.h"
#include "platform/Log.h"
#include "ui/export/ExportSpace.h"

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tl::ui {
namespace {

void logStart(const ExportJob& job)
{
    log("=== EXPORT STARTED ===");
    log(std::string("Mode: ") + std::string(rawValue(job.mode)));
    log("Images: " + std::to_string(job.images.size()));
    for (std::size_t i = 0; i < job.images.size(); ++i) {
        const auto& image = job.images[i];
        log("  [" + std::to_string(i) + "] " + image.fileName + " - sourcePath: " + image.sourcePath.value_or("nil"));
    }
    log("Output: " + job.output.string());
}

using LoadedUpscaler = Result<std::shared_ptr<ImageUpscalingTool>, std::string>;

// Loads the upscaler on a thread of its own, so a stop (a cancel, or quitting) ends the wait at
// once and leaves the load to finish unheard; none when stopped first.
std::optional<LoadedUpscaler> loadUpscalerUnlessStopped(
    const std::function<LoadedUpscaler()>& makeUpscaler, const std::stop_token& stop)
{
    struct Load {
        std::mutex mutex;
        std::condition_variable_any arrived;
        std::optional<LoadedUpscaler> loaded;
    };
    auto load = std::make_shared<Load>();
    std::thread([load, makeUpscaler] {
        auto loaded = [&]() -> LoadedUpscaler {
            try {
                return makeUpscaler();
            } catch (...) {
                return currentExceptionText();
            }
        }();
        const std::lock_guard lock(load->mutex);
        load->loaded.emplace(std::move(loaded));
        load->arrived.notify_all();
    }).detach();
    std::unique_lock lock(load->mutex);
    load->arrived.wait(lock, stop, [&load] { return load->loaded.has_value(); });
    return std::move(load->loaded);
}

ExportEnd failed(const std::string& description, ExportAdvice advice = ExportAdvice::tryAgain)
{
    log("=== EXPORT FAILED ===");
    log("Error: " + description);
    return { ExportEnd::Kind::failed, exportFailureMessage(description, advice) };
}

// The writer only ever sees the hidden file beside the chosen one; a failure to write it is told
// as a failure to write the file the user chose.
EngineError namingChosenFile(const EngineError& error, const ExportJob& job, const std::filesystem::path& writeTo)
{
    const auto* write = error.as<HeicGeneratorError>();
    if (!write || write->kind != HeicGeneratorError::Kind::fileWriteFailed || write->detail != writeTo.string())
        return error;
    return HeicGeneratorError::fileWriteFailed(job.output.string(), write->reason);
}

} // namespace

ExportAdvice adviceFor(std::error_code reason)
{
    if (reason.category() != std::generic_category() && reason.category() != std::system_category())
        return ExportAdvice::tryAgain;
    switch (reason.value()) {
    case EACCES:
    case EPERM:
    case EROFS:
        return ExportAdvice::chooseAnotherFolder;
    case ENOSPC:
    case EDQUOT:
        return ExportAdvice::freeSpace;
    case EFBIG: // the file system's largest file
        return ExportAdvice::chooseAnotherDisk;
    default:
        return ExportAdvice::tryAgain;
    }
}

ExportAdvice adviceFor(const EngineError& error)
{
    if (const auto* write = error.as<HeicGeneratorError>()) return adviceFor(write->reason);
    if (const auto* system = error.as<FileSystemError>()) return adviceFor(system->code);
    return ExportAdvice::tryAgain;
}

std::string exportFailureMessage(const std::string& description, ExportAdvice advice)
{
    const char* line = export_text::failed;
    switch (advice) {
    case ExportAdvice::tryAgain:
        break;
    case ExportAdvice::chooseAnotherFolder:
        line = export_text::failedChooseFolder;
        break;
    case ExportAdvice::freeSpace:
        line = export_text::failedFreeSpace;
        break;
    case ExportAdvice::chooseAnotherDisk:
        line = export_text::failedChooseDisk;
        break;
    }
    if (description.empty()) return line;
    return std::string(line) + "\n" + description;
}

ExportEnd runExportWork(const ExportJob& job, const std::filesystem::path& writeTo, const ExportServices& services,
    const std::function<void(const std::string&)>& status, const ExportProgress& progress, std::stop_token stop)
{
    logStart(job);
    // Taken before any work, so a folder that cannot be written fails now, not after the upscale.
    if (const auto error = writeFileDurably(writeTo, {}))
        return failed(HeicGeneratorError::fileWriteFailed(job.output.string(), error).description(), adviceFor(error));
    // A full disk would otherwise be found only after minutes of upscaling.
    if (const auto lack = lackOfSpace(job.output, estimatedWallpaperBytes(job.images, job.options)))
        return failed(*lack, ExportAdvice::freeSpace);

    std::shared_ptr<ImageUpscalingTool> upscaler;
    if (job.options.upscaleEnabled) {
        status(export_text::preparingUpscaler);
        auto loaded = loadUpscalerUnlessStopped(services.makeUpscaler, stop);
        if (!loaded) return { ExportEnd::Kind::cancelled, export_text::cancelled };
        if (!*loaded) return { ExportEnd::Kind::failed, "Export failed: " + loaded->error() };
        upscaler = std::move(*loaded).value();
    }
    if (stop.stop_requested()) return { ExportEnd::Kind::cancelled, export_text::cancelled };

    const auto config = job.options.makePreprocessConfig(upscaler);
    if (const auto beyond = config ? frameBeyondCanvasLimit(job.images, *config) : std::nullopt) {
        log("=== EXPORT FAILED ===");
        log("Error: " + *beyond);
        return { ExportEnd::Kind::failed, "Export failed: " + *beyond };
    }
    const auto written = services.writeWallpaper(job.images, job.mode, writeTo, config, progress, stop);
    if (written) {
        log("=== EXPORT SUCCEEDED ===");
        const bool kept = job.options.keepPreprocessedFrames && config;
        // Only a whole run's timing: a cut-off pass spent time on a tile it never counted.
        return { ExportEnd::Kind::succeeded, kept ? export_text::completeKeepingFrames : export_text::complete,
            upscaler ? upscaler->secondsPerTile() : std::nullopt };
    }
    if (written.error().isCancelled()) {
        log("=== EXPORT CANCELLED ===");
        return { ExportEnd::Kind::cancelled, export_text::cancelled };
    }
    return failed(namingChosenFile(written.error(), job, writeTo).description(), adviceFor(written.error()));
}

ExportEnd runExportWorkCatching(const ExportJob& job, const std::filesystem::path& writeTo,
    const ExportServices& services, const std::function<void(const std::string&)>& status,
    const ExportProgress& progress, std::stop_token stop)
{
    try {
        return runExportWork(job, writeTo, services, status, progress, stop);
    } catch (...) {
        return failed(HeicGeneratorError::processingFailed(currentExceptionText()).description());
    }
}

} // namespace tl::ui
