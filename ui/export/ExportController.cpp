#include "ui/export/ExportController.h"

#include "platform/FileReplacement.h"
#include "platform/Log.h"
#include "platform/qt/EventLoop.h"
#include "ui/common/NumberFormat.h"
#include "ui/export/ExportProgressParser.h"

namespace tl::ui {
namespace {

std::vector<ExportFrameInfo> exportFrameRows(const std::vector<WallpaperImage>& images)
{
    std::vector<ExportFrameInfo> rows;
    rows.reserve(images.size());
    for (const auto& image : images) {
        rows.push_back({ .id = image.id.text(),
            .isKeyFrame = !image.isTween,
            .fileName = image.fileName,
            .sourcePath = image.sourcePath.value_or(std::string()),
            .thumbnail = image.thumbnail,
            .status = ExportFrameStatus::pending });
    }
    return rows;
}

// A hidden file beside the chosen one, so the final move is a rename within one folder. Its name is
// the same length whatever the chosen one's, so every name the folder takes can be exported to.
std::filesystem::path partialPathFor(const std::filesystem::path& output)
{
    return output.parent_path() / (".tidelumine-" + Uuid::random().text() + ".partial.heic");
}

} // namespace

ExportController::ExportController(AppState& appState, AppUIState& uiState, ExportServices services, QObject* parent)
    : QObject(parent)
    , appState_(appState)
    , uiState_(uiState)
    , services_(std::move(services))
    , runs_(postToMainThread)
{
}

ExportController::~ExportController()
{
    runs_.stopAll();
    // A run that finished writing but whose end was still queued never moved its file.
    for (const auto& partial : pendingPartials_)
        removeFileQuietly(partial);
}

std::string ExportController::proposedFileName(const std::optional<std::filesystem::path>& projectPath)
{
    if (projectPath) {
        auto name = projectPath->filename();
        if (name.empty()) name = projectPath->parent_path().filename();
        const auto stem = name.stem().string();
        if (!stem.empty()) return stem + ".heic";
    }
    return "dynamic-wallpaper.heic";
}

void ExportController::runExport(const std::filesystem::path& output, const HeicExportOptions& options)
{
    ExportJob job {
        .images = appState_.images.get(), .mode = appState_.mode.get(), .output = output, .options = options
    };
    for (auto& image : job.images)
        image.thumbnail.reset();

    uiState_.isExportingHeic = true;
    uiState_.exportProgress = 0.0;
    uiState_.exportMessage = std::string(export_text::preparing);
    uiState_.exportFrames = exportFrameRows(appState_.images.get());
    uiState_.exportedFile = std::nullopt;

    const auto partial = partialPathFor(output);
    pendingPartials_.push_back(partial);

    // The run's stop source is shared with the window state, whose cancel stops the worker.
    uiState_.exportTask = runs_.start([this, job = std::move(job), partial](const WorkerRuns::Run& run) {
        const auto status
            = [&](const std::string& message) { run.post([this, message] { uiState_.exportMessage = message; }); };
        const auto progress = [&](int current, int total, const std::string& message) {
            run.post([this, current, total, message] { applyProgress(current, total, message); });
        };
        const ExportEnd end = runExportWorkCatching(job, partial, services_, status, progress, run.stopToken());
        if (run.stopToken().stop_requested()) removeFileQuietly(partial);
        // Always delivered, so a stale run still removes its partial file.
        run.postAlways([this, run, end, partial, output = job.output] { finish(run, end, partial, output); });
    });
}

void ExportController::applyProgress(int current, int total, const std::string& message)
{
    uiState_.exportProgress = progressFraction(current, total);
    uiState_.exportMessage = message;
    auto frames = uiState_.exportFrames.get();
    if (applyExportMessage(frames, message)) uiState_.exportFrames = std::move(frames);
}

void ExportController::finish(const WorkerRuns::Run& run, const ExportEnd& end, const std::filesystem::path& partial,
    const std::filesystem::path& output)
{
    std::erase(pendingPartials_, partial);
    // A run that upscaled measured this machine, whether or not its end still shows.
    if (end.secondsPerTile) uiState_.upscaleSecondsPerTile = *end.secondsPerTile;
    if (!run.isCurrent()) {
        removeFileQuietly(partial);
        return;
    }
    std::string message = end.message;
    if (end.kind == ExportEnd::Kind::succeeded) {
        std::error_code error;
        std::filesystem::rename(partial, output, error);
        if (error) {
            const std::string description
                = "Could not move the wallpaper to " + output.string() + ": " + error.message();
            log("=== EXPORT FAILED ===");
            log("Error: " + description);
            removeFileQuietly(partial);
            message = exportFailureMessage(description, adviceFor(error));
        } else {
            uiState_.exportedFile = output;
        }
    } else {
        removeFileQuietly(partial);
    }
    uiState_.isExportingHeic = false;
    uiState_.exportMessage = message;
}

void ExportController::waitForWorkers()
{
    runs_.waitForWorkers();
}

} // namespace tl::ui
