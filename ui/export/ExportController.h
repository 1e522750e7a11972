#pragma once

#include "app/AppState.h"
#include "app/AppUIState.h"
#include "platform/WorkerRuns.h"
#include "ui/export/ExportWork.h"

#include <QObject>

#include <filesystem>
#include <optional>
#include <vector>

namespace tl::ui {

// Runs exports on worker threads and publishes their state in the window state. Every post
// from a worker carries its run's number and is dropped unless that run is still the current,
// uncancelled one, so a cancelled or replaced run never changes what a newer run shows. The
// wallpaper is written beside the chosen file and moved onto it on the GUI thread only when
// the run is still current: a cancelled export leaves no file and an existing file untouched.
class ExportController : public QObject {
    Q_OBJECT
public:
    ExportController(AppState& appState, AppUIState& uiState, ExportServices services, QObject* parent = nullptr);
    // Stops every run, waits for the workers and removes the files of runs whose end was
    // never applied.
    ~ExportController() override;

    // The file name the save panel proposes: the project's name with ".heic", else
    // "dynamic-wallpaper.heic".
    static std::string proposedFileName(const std::optional<std::filesystem::path>& projectPath);

    // Starts a run with a copy of the project as it is now; returns at once.
    void runExport(const std::filesystem::path& output, const HeicExportOptions& options);

    const ExportServices& services() const { return services_; }

    // Tests: waits until every worker has finished (their posts still need the event loop).
    void waitForWorkers();

private:
    void applyProgress(int current, int total, const std::string& message);
    void finish(const WorkerRuns::Run& run, const ExportEnd& end, const std::filesystem::path& partial,
        const std::filesystem::path& output);

    AppState& appState_;
    AppUIState& uiState_;
    ExportServices services_;
    // Partial files of runs whose end has not been applied yet.
    std::vector<std::filesystem::path> pendingPartials_;
    WorkerRuns runs_;
};

} // namespace tl::ui
