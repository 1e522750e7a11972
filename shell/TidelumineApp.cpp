#include "shell/TidelumineApp.h"

#include "engine/HeicExportOptions.h"
#include "platform/Bundle.h"
#include "platform/Log.h"
#include "shell/SettingsView.h"
#include "ui/window/MainWindow.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

namespace tl {
namespace {

void openInBrowser(const std::string& link)
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(link)));
}

} // namespace

TidelumineApp::TidelumineApp(PlatformServices services)
    : channels(services.defaults, notifications)
    , lifecycle(services.scheduler, [] { QCoreApplication::quit(); })
    , appState(services.defaults)
    , uiState(services.defaults)
    , projectIO(services.dialogs, services.scheduler)
    , saveFlow(projectIO, uiState)
    , commandCenter(appState, uiState, projectIO, saveFlow)
    , updater(services, channels, openInBrowser, mainBundle().shortVersion.value_or("0"))
    , generation(services.transport, services.defaults, services.environment, services.clock)
    , services_(services)
{
    commandCenter.updateCheck = [this] { updater.checkForUpdates(); };
    // The sheets reach the server the settings window names, custom address included.
    generation.serverURL = [this] { return settings().serverURL(); };
}

TidelumineApp::~TidelumineApp() = default;

void TidelumineApp::start(const std::vector<std::filesystem::path>& documents)
{
    for (const auto& document : documents) {
        if (!lifecycle.openFile(document)) log("Not a Tidelumine project: " + document.string());
    }
    window_ = std::make_unique<MainWindow>(commandCenter, lifecycle, generation,
        AppActions::Handlers {
            .quit = [this] { requestQuit(); },
            .showSettings = [this] { showSettings(); },
        });
    lifecycle.applicationDidFinishLaunching(updater, notifications, services_.defaults);
    window_->show();
    workingFolderSweep_ = std::jthread([] {
        std::error_code error;
        const auto temporaryFolder = std::filesystem::temp_directory_path(error);
        if (!error) removeStalePreprocessFolders(temporaryFolder, std::chrono::hours(24));
    });
}

void TidelumineApp::requestQuit()
{
    if (lifecycle.applicationShouldTerminate() == AppLifecycleDelegate::TerminateReply::now) {
        QCoreApplication::quit();
    }
}

AppSettings& TidelumineApp::settings()
{
    if (!settings_) settings_ = std::make_unique<AppSettings>(services_.defaults, channels, services_.environment);
    return *settings_;
}

void TidelumineApp::showSettings()
{
    if (!settingsWindow_) settingsWindow_ = std::make_unique<SettingsView>(settings(), mainBundle(), window_.get());
    settingsWindow_->show();
    settingsWindow_->raise();
    settingsWindow_->activateWindow();
}

} // namespace tl
