#include "ui/export/ExportController.h"

#include "platform/Log.h"
#include "ui/common/NumberFormat.h"
#include "ui/export/ExportProgressParser.h"

#include <QMetaObject>

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

// A hidden file beside the chosen one, so the final move is a rename within one folder.
std::filesystem::path partialPathFor(const std::filesystem::path& output)
{
    return output.parent_path() / ("." + output.stem().string() + "-" + Uuid::random().text() + ".partial.heic");
}

void removeQuietly(const std::filesystem::path& path)
{
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

} // namespace

ExportController::ExportController(AppState& appState, AppUIState& uiState, ExportServices services, QObject* parent)
    : QObject(parent)
    , appState_(appState)
    , uiState_(uiState)
    , services_(std::move(services))
{
}

ExportController::~ExportController()
{
    ++currentRun_;
    for (auto& worker : workers_)
        worker.stop.request_stop();
    for (auto& worker : workers_) {
        if (worker.thread.joinable()) worker.thread.join();
        // A run that finished writing but whose end was still queued never moved its file.
        removeQuietly(worker.partial);
    }
    workers_.clear();
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
    pruneFinishedWorkers();
    ExportJob job {
        .images = appState_.images.get(), .mode = appState_.mode.get(), .output = output, .options = options
    };
    for (auto& image : job.images)
        image.thumbnail.reset();

    uiState_.isExportingHeic = true;
    uiState_.exportProgress = 0.0;
    uiState_.exportMessage = std::string(export_text::preparing);
    uiState_.exportFrames = exportFrameRows(appState_.images.get());

    const std::uint64_t run = ++currentRun_;
    std::stop_source stopSource;
    uiState_.exportTask = stopSource;
    const auto partial = partialPathFor(output);
    auto finished = std::make_shared<std::atomic<bool>>(false);

    // The run's stop source is shared with the window state, whose cancel stops the worker.
    std::jthread thread([this, run, job = std::move(job), partial, finished, stop = stopSource.get_token()] {
        const auto status = [&](const std::string& message) {
            post(run, stop, [this, message] { uiState_.exportMessage = message; });
        };
        const auto progress = [&](int current, int total, const std::string& message) {
            post(run, stop, [this, current, total, message] { applyProgress(current, total, message); });
        };
        const ExportEnd end = runExportWork(job, partial, services_, status, progress, stop);
        if (stop.stop_requested()) removeQuietly(partial);
        QMetaObject::invokeMethod(
            this, [this, run, stop, end, partial, output = job.output] { finish(run, stop, end, partial, output); },
            Qt::QueuedConnection);
        finished->store(true);
    });
    workers_.push_back({ std::move(stopSource), std::move(thread), std::move(finished), partial });
}

void ExportController::post(std::uint64_t run, std::stop_token stop, std::function<void()> apply)
{
    QMetaObject::invokeMethod(
        this,
        [this, run, stop = std::move(stop), apply = std::move(apply)] {
            if (isCurrent(run, stop)) apply();
        },
        Qt::QueuedConnection);
}

bool ExportController::isCurrent(std::uint64_t run, const std::stop_token& stop) const
{
    return run == currentRun_ && !stop.stop_requested();
}

void ExportController::applyProgress(int current, int total, const std::string& message)
{
    uiState_.exportProgress = progressFraction(current, total);
    uiState_.exportMessage = message;
    auto frames = uiState_.exportFrames.get();
    if (applyExportMessage(frames, message)) uiState_.exportFrames = std::move(frames);
}

void ExportController::finish(std::uint64_t run, const std::stop_token& stop, const ExportEnd& end,
    const std::filesystem::path& partial, const std::filesystem::path& output)
{
    if (!isCurrent(run, stop)) {
        removeQuietly(partial);
        return;
    }
    std::string message = end.message;
    if (end.kind == ExportEnd::Kind::succeeded) {
        std::error_code error;
        std::filesystem::rename(partial, output, error);
        if (error) {
            log("=== EXPORT FAILED ===");
            log("Error: could not move the wallpaper to " + output.string() + ": " + error.message());
            removeQuietly(partial);
            message = export_text::failed;
        }
    } else {
        removeQuietly(partial);
    }
    uiState_.isExportingHeic = false;
    uiState_.exportMessage = message;
}

void ExportController::pruneFinishedWorkers()
{
    std::erase_if(workers_, [](const Worker& worker) { return worker.finished->load(); });
}

void ExportController::waitForWorkers()
{
    for (auto& worker : workers_) {
        if (worker.thread.joinable()) worker.thread.join();
    }
}

} // namespace tl::ui
