#pragma once

#include "app/AppCommandCenter.h"
#include "app/AppLifecycleDelegate.h"
#include "app/AppSettings.h"
#include "app/AppState.h"
#include "app/AppUIState.h"
#include "app/PlatformServices.h"
#include "app/ProjectIO.h"
#include "app/SaveFlowCoordinator.h"
#include "app/UpdateChannel.h"
#include "app/UpdateChecker.h"
#include "generation/GenerationServices.h"
#include "platform/NotificationCenter.h"

#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace tl {

class MainWindow;
class SettingsView;

// The application's long-lived objects, created once in a fixed order, and its
// main window. Lives as long as the process.
class TidelumineApp {
public:
    explicit TidelumineApp(PlatformServices services);
    ~TidelumineApp();

    // Shows the main window and starts the update cycle; `documents` are opened as
    // if the desktop asked for them.
    void start(const std::vector<std::filesystem::path>& documents);
    // Quits unless the unsaved-changes flow keeps the application running.
    void requestQuit();
    void showSettings();

    NotificationCenter notifications;
    UpdateChannelManager channels;
    AppLifecycleDelegate lifecycle;
    AppState appState;
    AppUIState uiState;
    ProjectIO projectIO;
    SaveFlowCoordinator saveFlow;
    AppCommandCenter commandCenter;
    UpdateChecker updater;
    GenerationServices generation;

    // The one settings store, made at its first use.
    AppSettings& settings();
    MainWindow* mainWindow() { return window_.get(); }

private:
    PlatformServices services_;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<SettingsView> settingsWindow_;
    // Clears what killed exports left in the temporary folder, away from the GUI thread.
    std::jthread workingFolderSweep_;
};

} // namespace tl
