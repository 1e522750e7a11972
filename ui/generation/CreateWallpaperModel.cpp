#include "ui/generation/CreateWallpaperModel.h"

#include "app/TimeOfDayTable.h"
#include "generation/Text.h"
#include "platform/ImageFileBytes.h"
#include "platform/Log.h"
#include "ui/common/ImageConversion.h"
#include "ui/generation/GenerationRun.h"
#include "ui/generation/ProviderRoad.h"
#include "ui/generation/ServerRoad.h"

#include <algorithm>

namespace tl::ui {
namespace {

constexpr std::string_view undoName = "Generate Timeline";

QImage latestTimelineImage(const std::vector<WallpaperImage>& images)
{
    if (images.empty()) return {};
    const auto& last = images.back();
    if (last.thumbnail) return toQImage(*last.thumbnail);
    if (last.sourcePath) return QImage(QString::fromStdString(*last.sourcePath));
    return {};
}

} // namespace

CreateWallpaperModel::CreateWallpaperModel(
    CreateWallpaperServices services, std::function<void()> onClose, std::string model)
    : services_(std::move(services))
    , onClose_(std::move(onClose))
    , model_(std::move(model))
    , runs_(std::make_unique<WorkerRuns>(services_.poster))
{
}

CreateWallpaperModel::~CreateWallpaperModel()
{
    runs_.reset();
    // A run stopped by the sheet going away never gets to close its batch.
    if (batchHeldBy_) closeHeldBatch(false);
}

void CreateWallpaperModel::setPrompt(std::string prompt)
{
    form_.prompt = std::move(prompt);
    changed();
}

void CreateWallpaperModel::setSize(std::string size)
{
    form_.size = std::move(size);
    changed();
}

void CreateWallpaperModel::setTweenCount(int count)
{
    form_.tweenCount = std::clamp(count, create_sheet::minTweenCount, create_sheet::maxTweenCount);
    changed();
}

void CreateWallpaperModel::setMode(create_sheet::GenerationMode mode)
{
    form_.mode = mode;
    changed();
}

void CreateWallpaperModel::setSmoothness(create_sheet::SmoothnessPreset preset)
{
    form_.smoothness = preset;
    form_.tweenCount = create_sheet::tweenCount(preset);
    changed();
}

void CreateWallpaperModel::setShowAdvanced(bool shown)
{
    form_.showAdvanced = shown;
    changed();
}

void CreateWallpaperModel::restoreLastSettings()
{
    const auto& store = services_.appState;
    form_.prompt = store.lastMagicPrompt.get();
    form_.size = store.lastMagicSize.get();
    // A project file may carry any count; the stepper's range bounds it.
    form_.tweenCount = static_cast<int>(std::clamp<std::int64_t>(
        store.lastMagicTweenCount.get(), create_sheet::minTweenCount, create_sheet::maxTweenCount));
    form_.smoothness = create_sheet::presetForTweenCount(form_.tweenCount);
    if (!store.lastMagicStartingImageFileName.get().empty())
        form_.startingImageURL = std::filesystem::path(store.lastMagicStartingImageFileName.get());
    changed();
}

void CreateWallpaperModel::chooseStartingImage()
{
    if (!services_.chooseImageFile) return;
    const auto chosen = services_.chooseImageFile();
    if (!chosen) return;
    const auto bytes = readImageFileBytes(*chosen);
    if (!bytes) {
        status_.errorMessage = "Failed to load starting image.";
        changed();
        return;
    }
    form_.startingImageURL = *chosen;
    form_.startingImageData = std::string(bytes->begin(), bytes->end());
    form_.startingPicture = qImageFromBytes(*form_.startingImageData);
    services_.appState.lastMagicStartingImageFileName = chosen->filename().string();
    changed();
}

void CreateWallpaperModel::acceptDroppedImage(std::string data, std::optional<std::filesystem::path> url)
{
    form_.startingImageData = std::move(data);
    form_.startingPicture = qImageFromBytes(*form_.startingImageData);
    form_.startingImageURL = url;
    if (url) services_.appState.lastMagicStartingImageFileName = url->filename().string();
    changed();
}

void CreateWallpaperModel::clearStartingImage()
{
    form_.startingImageURL.reset();
    form_.startingImageData.reset();
    form_.startingPicture = QImage();
    services_.appState.lastMagicStartingImageFileName = std::string();
    changed();
}

void CreateWallpaperModel::appendMoodSuggestion(std::string_view suggestion)
{
    form_.prompt = create_sheet::appendedMood(form_.prompt, suggestion);
    changed();
}

void CreateWallpaperModel::dismissError()
{
    status_.errorMessage.reset();
    changed();
}

bool CreateWallpaperModel::isServerModel() const
{
    return model_.starts_with(create_sheet::serverModelPrefix);
}

bool CreateWallpaperModel::usesServerRoad() const
{
    return text::trimmed(model_).starts_with(create_sheet::serverModelPrefix);
}

bool CreateWallpaperModel::canGenerate() const
{
    if (status_.isGenerating) return false;
    if (text::trimmed(model_).empty()) return false;
    if (text::trimmed(form_.prompt).empty() && !form_.startingImageData) return false;
    return isServerModel() || services_.imageService.isConfigured();
}

bool CreateWallpaperModel::showsMissingKeyWarning() const
{
    return !isServerModel() && !services_.imageService.isConfigured();
}

void CreateWallpaperModel::startGeneration()
{
    // Busy until the running road has ended, so one run at a time.
    if (status_.isGenerating) return;
    const std::string prompt(text::trimmed(form_.prompt));
    const std::string trimmedModel(text::trimmed(model_));
    if (prompt.empty() && !form_.startingImageData) return;
    if (trimmedModel.empty()) return;
    launch(prompt, trimmedModel);
}

void CreateWallpaperModel::launch(const std::string& prompt, std::string runModel)
{
    const bool serverRoad = usesServerRoad();
    if (serverRoad) {
        for (auto at = runModel.find(create_sheet::serverModelPrefix); at != std::string::npos;
             at = runModel.find(create_sheet::serverModelPrefix))
            runModel.erase(at, create_sheet::serverModelPrefix.size());
    }
    RunInputs inputs {
        .prompt = prompt,
        .model = std::move(runModel),
        .startingImage = form_.startingImageData,
        .tweenCount = form_.tweenCount,
        .size = form_.size,
        .aspectRatio = std::string(create_sheet::aspectRatioFor(form_.size)),
        .sceneDescription
        = form_.startingImageData && !prompt.empty() ? "Scene description: " + prompt + "\n" : std::string(),
        .expectedFrameCount = static_cast<int>(kTimeOfDayTable.size()) * (form_.tweenCount + 1),
    };

    status_.isGenerating = true;
    status_.progress = 0;
    status_.progressMessage = "Preparing...";
    status_.errorMessage.reset();
    status_.livePreview = QImage();
    status_.phaseStatus.clear();
    for (const auto& row : kTimeOfDayTable)
        status_.phaseStatus[std::string(row.id)] = PhaseStatus::pending;

    auto& store = services_.appState;
    if (serverRoad || !prompt.empty()) store.lastMagicPrompt = prompt;
    store.lastMagicSize = form_.size;
    store.lastMagicTweenCount = form_.tweenCount;

    // The batch opens here, on the GUI thread, before any report of the run can arrive.
    store.beginBatch(std::string(undoName));
    store.setImages({}, WallpaperMode::time, true);
    latestPublishedPicture_ = QImage();
    runPublished_ = false;
    const auto serial = ++serial_;
    batchHeldBy_ = serial;

    std::function<Result<void, RunError>(const RunChannel&)> road;
    if (serverRoad) {
        road = [inputs = std::move(inputs),
                   setup = ServerRoadSetup { .serverURL = services_.serverURL(),
                       .server = services_.server,
                       .temporaryFolder = services_.temporaryFolder }](
                   const RunChannel& channel) { return runServerRoad(inputs, setup, channel); };
    } else {
        road = [inputs = std::move(inputs),
                   setup = ProviderRoadSetup { .service = services_.imageService,
                       .userDataFolder = services_.userDataFolder ? services_.userDataFolder() : std::nullopt,
                       .runKey = store.currentGenerationIdempotencyKey.get() }](
                   const RunChannel& channel) { return runProviderRoad(inputs, setup, channel); };
    }
    generationTask_ = runs_->start([this, serial, road = std::move(road)](const WorkerRuns::Run& run) {
        const RunChannel channel(*this, run, serial);
        channel.end(outcomeOf(runCatching(road, channel), channel.stopRequested()));
    });
    changed();
}

void CreateWallpaperModel::cancelOrClose()
{
    if (!status_.isGenerating) {
        if (onClose_) onClose_();
        return;
    }
    status_.progressMessage = "Cancelling...";
    generationTask_.request_stop();
    changed();
}

std::optional<std::string> CreateWallpaperModel::currentPhaseLabel() const
{
    for (const auto& row : kTimeOfDayTable) {
        if (statusOf(status_.phaseStatus, std::string(row.id)) == PhaseStatus::inProgress)
            return std::string(row.label);
    }
    return std::nullopt;
}

QImage CreateWallpaperModel::previewImage() const
{
    if (status_.isGenerating) {
        if (!status_.livePreview.isNull()) return status_.livePreview;
        if (!latestPublishedPicture_.isNull()) return latestPublishedPicture_;
    }
    return form_.startingPicture;
}

void CreateWallpaperModel::waitForWorkers()
{
    runs_->waitForWorkers();
}

void CreateWallpaperModel::applyPhase(const std::string& id, PhaseStatus status)
{
    // Reports for names outside the table (the generator's own) change nothing.
    const auto found = status_.phaseStatus.find(id);
    if (found == status_.phaseStatus.end()) return;
    found->second = status;
    changed();
}

void CreateWallpaperModel::applyProgress(std::optional<double> fraction, std::optional<std::string> message)
{
    if (fraction) status_.progress = std::clamp(*fraction, 0.0, 1.0);
    if (message) status_.progressMessage = std::move(*message);
    changed();
}

void CreateWallpaperModel::applyPreview(QImage picture)
{
    status_.livePreview = std::move(picture);
    changed();
}

void CreateWallpaperModel::applyPublication(std::vector<WallpaperImage> images)
{
    // While the sheet is open it is window-modal, so only its run changes the timeline.
    latestPublishedPicture_ = latestTimelineImage(images);
    runPublished_ = true;
    services_.appState.setImages(std::move(images), WallpaperMode::time, true);
}

void CreateWallpaperModel::releaseBatch(std::uint64_t serial, bool keep)
{
    if (batchHeldBy_ != serial) return;
    closeHeldBatch(keep);
}

void CreateWallpaperModel::closeHeldBatch(bool keep)
{
    batchHeldBy_.reset();
    if (keep || runPublished_)
        services_.appState.endBatch();
    else
        services_.appState.abandonBatch();
}

void CreateWallpaperModel::applyEnd(std::uint64_t serial, const RunOutcome& outcome)
{
    if (serial != serial_) return;
    status_.isGenerating = false;
    generationTask_ = std::stop_source(std::nostopstate);
    switch (outcome.kind) {
    case RunOutcome::Kind::completed:
        if (!usesServerRoad()) status_.progressMessage = "Generation complete!";
        changed();
        if (onClose_) onClose_();
        return;
    case RunOutcome::Kind::cancelled:
        status_.progressMessage = usesServerRoad() ? "Cancelled" : "Generation cancelled.";
        if (usesServerRoad()) log("⚠️  Generation cancelled by user");
        break;
    case RunOutcome::Kind::failed:
        status_.errorMessage = outcome.message;
        if (usesServerRoad()) {
            status_.progressMessage = "Failed";
            log("❌ Generation error: " + outcome.message);
        }
        break;
    }
    changed();
}

} // namespace tl::ui
