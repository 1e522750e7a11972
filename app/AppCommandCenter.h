#pragma once

#include "platform/Lifetime.h"

#include <filesystem>
#include <functional>
#include <vector>

namespace tl {

class AppState;
class AppUIState;
class ProjectIO;
class SaveFlowCoordinator;

// The document commands and their enabled tests, shared by the menus and the
// toolbar so both run the same code. Main thread only.
class AppCommandCenter {
public:
    AppCommandCenter(AppState& appState, AppUIState& uiState, ProjectIO& projectIO, SaveFlowCoordinator& saveFlow);

    AppState& appState;
    AppUIState& uiState;
    ProjectIO& projectIO;
    SaveFlowCoordinator& saveFlow;

    bool hasDocument() const;
    bool hasTweens() const;
    bool canPlayTimeline() const;

    void newProject();
    void closeProject();
    void presentOpenPanel();
    void openProject(const std::filesystem::path& package);
    void saveProjectAs();
    void importImages(const std::vector<std::filesystem::path>& files, const std::filesystem::path& folder);
    void confirmDeleteAllTweens();
    void checkForUpdates();

    // The menu and toolbar commands: each asks about unsaved changes where needed.
    void requestNewProject();
    void requestOpen();
    void requestOpenRecent(const std::filesystem::path& package);
    void requestCloseProject();
    void save();
    void requestExport();
    void requestGenerateTimeline();
    // Asks the library for the automatic tweens; nothing without two key images.
    void requestAutoTween();
    void togglePlayback();
    void presentImportPanel();
    // Asks about unsaved changes, then for a dynamic HEIC to open as a new project.
    void requestImportDynamicWallpaper();
    void clearRecentProjects();

    // Adds imported files to the timeline. The main window sets it to its importer, which decodes
    // off the GUI thread; unset, the files are added one by one right away.
    std::function<void(const std::vector<std::filesystem::path>&)> addImages;

    // Opens a dynamic HEIC as a new untitled project. The main window sets it to its opener, which
    // decodes off the GUI thread; unset, such files are not opened.
    std::function<void(const std::filesystem::path&)> openDynamicWallpaper;

    // Runs the interactive update check; unset until the update checker exists.
    std::function<void()> updateCheck;

private:
    Lifetime lifetime_;
};

} // namespace tl
