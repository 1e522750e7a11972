#pragma once

#include "app/AppCommandCenter.h"
#include "app/AppLifecycleDelegate.h"
#include "app/AppState.h"
#include "app/AppUIState.h"
#include "app/ProjectIO.h"
#include "app/SaveFlowCoordinator.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace tl {

class Defaults;
class Dialogs;
class MainThreadScheduler;
class MainWindow;

// The application's long-lived objects, created once in a fixed order, and its
// main window. Lives as long as the process.
class TidelumineApp {
public:
    TidelumineApp(Defaults& defaults, Dialogs& dialogs, MainThreadScheduler& scheduler);
    ~TidelumineApp();

    // Shows the main window; `documents` are opened as if the desktop asked for them.
    void start(const std::vector<std::filesystem::path>& documents);
    // Quits unless the unsaved-changes flow keeps the application running.
    void requestQuit();

    AppLifecycleDelegate lifecycle;
    AppState appState;
    AppUIState uiState;
    ProjectIO projectIO;
    SaveFlowCoordinator saveFlow;
    AppCommandCenter commandCenter;

    MainWindow* mainWindow() { return window_.get(); }

private:
    void showSettings();

    std::unique_ptr<MainWindow> window_;
};

} // namespace tl
