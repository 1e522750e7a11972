#pragma once

#include "app/AppState.h"
#include "generation/ImageGenerationService.h"
#include "generation/ServerContext.h"
#include "platform/Observation.h"
#include "platform/WorkerRuns.h"
#include "ui/generation/CreateWallpaperTables.h"
#include "ui/generation/PhaseStatus.h"

#include <QImage>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

namespace tl::ui {

class RunChannel;
struct RunOutcome;

// What the sheet's model needs from the window and the machine; tests hand in their own.
struct CreateWallpaperServices {
    AppState& appState;
    // The provider router, asked for every model outside the product's server.
    ImageGenerationService& imageService;
    ServerContext server;
    // The product server's address as the settings choose it, read at each start.
    std::function<std::string()> serverURL;
    // The single-image open panel; none when the user cancels.
    std::function<std::optional<std::filesystem::path>()> chooseImageFile;
    // Where the provider road keeps its frames; none when the system names no such folder.
    std::function<std::optional<std::filesystem::path>()> userDataFolder;
    // Where the server road keeps its frames.
    std::filesystem::path temporaryFolder = std::filesystem::temp_directory_path();
    WorkerRuns::Poster poster;
};

// What the user set up in the form; copied into a run when it starts.
struct CreateWallpaperForm {
    std::string prompt;
    std::string size { AppState::defaultMagicSize };
    int tweenCount = 3;
    create_sheet::GenerationMode mode = create_sheet::GenerationMode::relight;
    create_sheet::SmoothnessPreset smoothness = create_sheet::SmoothnessPreset::natural;
    bool showAdvanced = false;
    std::optional<std::filesystem::path> startingImageURL;
    std::optional<std::string> startingImageData;
    // The starting image decoded once when it is set; null when none is set or it does not decode.
    QImage startingPicture;
};

// What a run shows while it goes.
struct CreateWallpaperStatus {
    bool isGenerating = false;
    double progress = 0;
    std::string progressMessage;
    std::optional<std::string> errorMessage;
    PhaseStatusMap phaseStatus;
    // The newest frame the run reported, decoded on its worker; null until one decodes.
    QImage livePreview;
};

// The create-wallpaper sheet without its widgets: the form, the start and cancel rules, and at
// most one live generation run on a worker. Reports of a run that is no longer the current one
// are dropped, except the closing of the undo batch, which only the run that opened it may
// close. A run cancelled or failed before its first publication leaves the project as it found
// it, with no undo step. The sheet stays busy until a run has ended, tweens included. Destroying
// the model stops and joins its run and closes a batch a run still holds. GUI thread only.
class CreateWallpaperModel {
public:
    CreateWallpaperModel(CreateWallpaperServices services, std::function<void()> onClose,
        std::string model = std::string(create_sheet::defaultModel));
    ~CreateWallpaperModel();
    CreateWallpaperModel(const CreateWallpaperModel&) = delete;
    CreateWallpaperModel& operator=(const CreateWallpaperModel&) = delete;

    const CreateWallpaperForm& form() const { return form_; }
    const CreateWallpaperStatus& status() const { return status_; }
    const std::string& model() const { return model_; }
    [[nodiscard]] Observation observe(std::function<void()> callback) { return changed_.observe(std::move(callback)); }

    void setPrompt(std::string prompt);
    void setSize(std::string size);
    // Clamped to the stepper's range; leaves the smoothness as it is.
    void setTweenCount(int count);
    void setMode(create_sheet::GenerationMode mode);
    // Also sets the tween count to the preset's.
    void setSmoothness(create_sheet::SmoothnessPreset preset);
    void setShowAdvanced(bool shown);

    void restoreLastSettings();
    void chooseStartingImage();
    void acceptDroppedImage(std::string data, std::optional<std::filesystem::path> url);
    void clearStartingImage();
    void appendMoodSuggestion(std::string_view suggestion);
    void dismissError();

    bool canGenerate() const;
    bool showsMissingKeyWarning() const;
    void startGeneration();
    // Closes the sheet when idle; otherwise asks the run to stop and stays open until it has.
    void cancelOrClose();

    std::optional<std::string> currentPhaseLabel() const;
    // The newest frame while generating, else the starting image; null for the placeholder.
    QImage previewImage() const;
    static int previewInset(bool hasPreviewImage) { return hasPreviewImage ? 12 : 56; }

    // Tests: waits until the run's worker has finished (its posts still need the event loop).
    void waitForWorkers();

private:
    friend class RunChannel;

    bool isServerModel() const;
    // Which road a run takes: the model named without its surrounding blanks.
    bool usesServerRoad() const;
    void launch(const std::string& prompt, std::string runModel);
    void changed() { changed_.notify(); }

    // Applied on the GUI thread for run `serial`.
    void applyPhase(const std::string& id, PhaseStatus status);
    void applyProgress(std::optional<double> fraction, std::optional<std::string> message);
    void applyPreview(QImage picture);
    void applyPublication(std::vector<WallpaperImage> images);
    // Closes the run's batch as its undo step; a run that ends without success before anything
    // was published (`keep` false) puts the project back as it was and leaves no step.
    void releaseBatch(std::uint64_t serial, bool keep);
    void closeHeldBatch(bool keep);
    void applyEnd(std::uint64_t serial, const RunOutcome& outcome);

    CreateWallpaperServices services_;
    std::function<void()> onClose_;
    const std::string model_;
    CreateWallpaperForm form_;
    CreateWallpaperStatus status_;
    ChangeNotifier changed_;
    std::uint64_t serial_ = 0;
    std::optional<std::uint64_t> batchHeldBy_;
    // The current run has written frames into the project.
    bool runPublished_ = false;
    // The newest published frame, decoded once per publication rather than at every report.
    QImage latestPublishedPicture_;
    std::stop_source generationTask_;
    // Last, so its workers are stopped and joined before anything they post to goes.
    std::unique_ptr<WorkerRuns> runs_;
};

} // namespace tl::ui
