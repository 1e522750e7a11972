#include "app/qt/TidelumineApp.h"

#include "platform/Log.h"
#include "ui/main/MainWindow.h"

#include <QCoreApplication>

namespace tl {

TidelumineApp::TidelumineApp(Defaults& defaults, Dialogs& dialogs, MainThreadScheduler& scheduler)
    : lifecycle(scheduler, [] { QCoreApplication::quit(); })
    , appState(defaults)
    , uiState(defaults)
    , projectIO(dialogs, scheduler)
    , saveFlow(projectIO, uiState)
    , commandCenter(appState, uiState, projectIO, saveFlow)
{
}

TidelumineApp::~TidelumineApp() = default;

void TidelumineApp::start(const std::vector<std::filesystem::path>& documents)
{
    for (const auto& document : documents) {
        if (!lifecycle.openFile(document)) log("Not a Tidelumine project: " + document.string());
    }
    window_ = std::make_unique<MainWindow>(commandCenter, lifecycle,
        AppActions::Handlers {
            .quit = [this] { requestQuit(); },
            .showSettings = [this] { showSettings(); },
        });
    log("[AppLifecycle] Launch complete.");
    window_->show();
}

void TidelumineApp::requestQuit()
{
    if (lifecycle.applicationShouldTerminate() == AppLifecycleDelegate::TerminateReply::now) {
        QCoreApplication::quit();
    }
}

void TidelumineApp::showSettings()
{
}

} // namespace tl
