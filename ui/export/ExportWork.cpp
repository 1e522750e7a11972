#include "ui/export/ExportWork.h"

#include "platform/Log.h"

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

} // namespace

ExportEnd runExportWork(const ExportJob& job, const std::filesystem::path& writeTo, const ExportServices& services,
    const std::function<void(const std::string&)>& status, const ExportProgress& progress, std::stop_token stop)
{
    logStart(job);

    std::shared_ptr<ImageUpscalingTool> upscaler;
    if (job.options.upscaleEnabled) {
        status(export_text::preparingUpscaler);
        auto loaded = services.makeUpscaler();
        if (!loaded) return { ExportEnd::Kind::failed, "Export failed: " + loaded.error() };
        upscaler = std::move(loaded).value();
    }
    if (stop.stop_requested()) return { ExportEnd::Kind::cancelled, export_text::cancelled };

    const auto config = job.options.makePreprocessConfig(upscaler);
    const auto written = services.writeWallpaper(job.images, job.mode, writeTo, config, progress, stop);
    if (written) {
        log("=== EXPORT SUCCEEDED ===");
        const bool kept = job.options.keepPreprocessedFrames && config;
        return { ExportEnd::Kind::succeeded, kept ? export_text::completeKeepingFrames : export_text::complete };
    }
    if (written.error().isCancelled()) {
        log("=== EXPORT CANCELLED ===");
        return { ExportEnd::Kind::cancelled, export_text::cancelled };
    }
    log("=== EXPORT FAILED ===");
    log("Error: " + written.error().description());
    return { ExportEnd::Kind::failed, export_text::failed };
}

} // namespace tl::ui
