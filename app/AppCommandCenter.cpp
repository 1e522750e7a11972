#include "app/AppCommandCenter.h"

#include "app/AppState.h"
#include "app/AppUIState.h"
#include "app/DynamicWallpaperImport.h"
#include "app/ProjectIO.h"
#include "app/SaveFlowCoordinator.h"
#include "platform/Log.h"

#include <algorithm>

namespace tl {

AppCommandCenter::AppCommandCenter(AppState& state, AppUIState& ui, ProjectIO& io, SaveFlowCoordinator& flow)
    : appState(state)
    , uiState(ui)
    , projectIO(io)
    , saveFlow(flow)
{
}

bool AppCommandCenter::hasDocument() const
{
    return !appState.images.get().empty() || appState.currentProjectPath.get().has_value();
}

bool AppCommandCenter::hasTweens() const
{
    return std::ranges::any_of(appState.images.get(), &WallpaperImage::isTween);
}

bool AppCommandCenter::canPlayTimeline() const
{
    return appState.mode.get() == WallpaperMode::time && !appState.images.get().empty();
}

void AppCommandCenter::newProject()
{
    appState.newProject("New Project");
    uiState.viewMode = LibraryViewMode::grid;
}

void AppCommandCenter::closeProject()
{
    appState.closeProject("Close Project");
    uiState.viewMode = LibraryViewMode::grid;
}

void AppCommandCenter::presentOpenPanel()
{
    projectIO.presentOpenPanelDeferred(
        uiState.lastOpenDirectory.get(), [this, alive = lifetime_.token()](const std::filesystem::path& package) {
            if (alive.expired()) return;
            uiState.lastOpenDirectory = package.parent_path();
            openProject(package);
        });
}

void AppCommandCenter::openProject(const std::filesystem::path& package)
{
    if (isDynamicWallpaperFile(package)) {
        if (openDynamicWallpaper) openDynamicWallpaper(package);
        return;
    }
    (void)projectIO.loadProject(package, appState);
}

void AppCommandCenter::saveProjectAs()
{
    const auto& path = appState.currentProjectPath.get();
    const std::string name = path ? path->filename().string() : std::string(SaveFlowCoordinator::untitledName);
    saveFlow.saveThroughPanel(name, appState, {}, {});
}

void AppCommandCenter::importImages(
    const std::vector<std::filesystem::path>& files, const std::filesystem::path& folder)
{
    uiState.lastImportDirectory = folder;
    if (addImages) {
        addImages(files);
        return;
    }
    for (const auto& file : files)
        appState.addImage(file);
}

void AppCommandCenter::confirmDeleteAllTweens()
{
    const auto count = std::ranges::count_if(appState.images.get(), &WallpaperImage::isTween);
    if (count == 0) return;
    const auto answer = projectIO.dialogs().runAlert(Alert {
        .message = "Delete All Tweens?",
        .informativeText = "This will delete " + std::to_string(count) + " tween image" + (count == 1 ? "" : "s")
            + ". This action can be undone.",
        .style = AlertStyle::warning,
        .buttons = { "Cancel", "Delete" },
    });
    if (answer == 1) appState.deleteAllTweens();
}

void AppCommandCenter::checkForUpdates()
{
    if (updateCheck) {
        updateCheck();
    } else {
        log("⚠️  App delegate not available");
    }
}

void AppCommandCenter::requestNewProject()
{
    saveFlow.runAfterUnsavedChangesCheck("Create New Project", appState, [this, alive = lifetime_.token()] {
        if (!alive.expired()) newProject();
    });
}

void AppCommandCenter::requestOpen()
{
    saveFlow.runAfterUnsavedChangesCheck("Open Project", appState, [this, alive = lifetime_.token()] {
        if (!alive.expired()) presentOpenPanel();
    });
}

void AppCommandCenter::requestImportDynamicWallpaper()
{
    saveFlow.runAfterUnsavedChangesCheck("Import Dynamic Wallpaper", appState, [this, alive = lifetime_.token()] {
        if (alive.expired()) return;
        const auto file = projectIO.dialogs().runOpenImagePanel(uiState.lastOpenDirectory.get());
        if (!file || !openDynamicWallpaper) return;
        uiState.lastOpenDirectory = file->parent_path();
        openDynamicWallpaper(*file);
    });
}

void AppCommandCenter::requestOpenRecent(const std::filesystem::path& package)
{
    saveFlow.confirmUnsavedChanges("Open Project", appState, uiState, [this, alive = lifetime_.token(), package] {
        if (!alive.expired()) openProject(package);
    });
}

void AppCommandCenter::requestCloseProject()
{
    saveFlow.runAfterUnsavedChangesCheck("Close Project", appState, [this, alive = lifetime_.token()] {
        if (!alive.expired()) closeProject();
    });
}

void AppCommandCenter::save()
{
    if (const auto path = appState.currentProjectPath.get()) {
        saveFlow.save(*path, appState);
    } else {
        saveProjectAs();
    }
}

void AppCommandCenter::requestExport()
{
    uiState.activeSheet = AppUIState::ActiveSheet::exportOptions;
}

void AppCommandCenter::requestGenerateTimeline()
{
    uiState.activeSheet = AppUIState::ActiveSheet::magicGenerate;
}

void AppCommandCenter::requestAutoTween()
{
    if (appState.hasMultipleKeyImages()) uiState.shouldTriggerAutoTween = true;
}

void AppCommandCenter::togglePlayback()
{
    if (canPlayTimeline()) uiState.isTimelinePlaying = !uiState.isTimelinePlaying.get();
}

void AppCommandCenter::presentImportPanel()
{
    projectIO.presentImportPanel(uiState.lastImportDirectory.get(),
        [this](const std::vector<std::filesystem::path>& files, const std::filesystem::path& folder) {
            importImages(files, folder);
        });
}

void AppCommandCenter::clearRecentProjects()
{
    appState.recentProjects.set({});
    appState.saveRecentProjects();
}

} // namespace tl
