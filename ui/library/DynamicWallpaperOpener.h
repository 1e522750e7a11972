#pragma once

#include "engine/LocationProvider.h"
#include "platform/WorkerRuns.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace tl {
class AppState;
class Dialogs;
} // namespace tl

namespace tl::ui {

// Opens a dynamic HEIC as a new untitled project without blocking the window: the images are
// decoded and written as frames on a worker, then replace the project as one undoable step, and
// the user hears how the frames got their places (or why the file was refused). A result that
// arrives after another project has been opened is dropped.
class DynamicWallpaperOpener {
public:
    // The user's location, when the window knows it; clock times are placed there.
    using LocationSource = std::function<std::optional<Location>()>;

    DynamicWallpaperOpener(AppState& appState, Dialogs& dialogs, LocationSource location, WorkerRuns::Poster poster);

    void open(const std::filesystem::path& heic);
    // Tests: waits for the worker; its result still arrives through the poster.
    void waitForWorkers() { runs_.waitForWorkers(); }

private:
    AppState& appState_;
    Dialogs& dialogs_;
    LocationSource location_;
    WorkerRuns runs_;
};

} // namespace tl::ui
