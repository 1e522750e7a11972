#include "app/AppLifecycleDelegate.h"

#include "app/AppCommandCenter.h"
#include "app/AppState.h"
#include "app/DynamicWallpaperImport.h"
#include "app/SaveFlowCoordinator.h"
#include "app/UpdateChecker.h"
#include "platform/Log.h"

#include <memory>
#include <utility>

namespace tl {

AppLifecycleDelegate::AppLifecycleDelegate(MainThreadScheduler& scheduler, std::function<void()> terminate)
    : scheduler_(scheduler)
    , terminate_(std::move(terminate))
{
}

void AppLifecycleDelegate::applicationDidFinishLaunching(
    UpdateChecker& updater, NotificationCenter& notifications, const Defaults& defaults)
{
    log("[AppLifecycle] Launch complete.");
    updater_ = &updater;
    // Posted from whichever thread changed the channel; the check starts on the main thread.
    channelObservation_ = notifications.observe(std::string(UpdateChannelManager::channelChangedNotification),
        [this, alive = lifetime_.token()](const NotificationUserInfo&) {
            scheduler_.schedule(std::chrono::milliseconds(0), [this, alive] {
                if (alive.expired() || !updater_) return;
                updater_->resetUpdateCycle();
                updater_->checkForUpdatesInBackground();
            });
        });
    const bool beta = defaults.string(UpdateChannelManager::channelKey) == "beta";
    log(std::string("✅ Sparkle initialized - update channel: ") + (beta ? "beta" : "stable"));
    updater.start();
}

void AppLifecycleDelegate::attach(AppCommandCenter& commandCenter)
{
    commandCenter_ = &commandCenter;
    if (!pendingFileURL) return;
    auto package = *std::exchange(pendingFileURL, std::nullopt);
    scheduler_.schedule(std::chrono::milliseconds(0), [this, alive = lifetime_.token(), package] {
        if (!alive.expired() && commandCenter_) confirmAndOpen(*commandCenter_, package);
    });
}

bool AppLifecycleDelegate::openFile(const std::filesystem::path& path)
{
    const auto package = openableForSelection(path);
    if (!package) return false;
    if (commandCenter_) {
        confirmAndOpen(*commandCenter_, *package);
    } else {
        pendingFileURL = *package;
    }
    return true;
}

void AppLifecycleDelegate::confirmAndOpen(AppCommandCenter& commandCenter, const std::filesystem::path& package)
{
    commandCenter.requestOpenRecent(package);
}

AppLifecycleDelegate::TerminateReply AppLifecycleDelegate::applicationShouldTerminate()
{
    if (!commandCenter_) return TerminateReply::now;
    // A save still copying is waited for, even for a project with nothing left unsaved.
    if (!commandCenter_->appState.isDirty.get() && !commandCenter_->saveFlow.isSaving()) return TerminateReply::now;
    commandCenter_->saveFlow.confirmBeforeQuitting(
        commandCenter_->appState, commandCenter_->uiState, [this, alive = lifetime_.token()](bool answer) {
            if (!alive.expired()) replyToTermination(answer);
        });
    return TerminateReply::later;
}

void AppLifecycleDelegate::replyToTermination(bool answer)
{
    isTerminating = answer;
    if (answer && terminate_) terminate_();
}

bool AppLifecycleDelegate::windowShouldClose(std::function<void()> performClose)
{
    if (std::exchange(shouldBypassCloseCheck, false)) return true;
    if (isTerminating || !commandCenter_) return true;
    // Closing the last window quits: the close waits for a save still copying, then is asked again.
    if (commandCenter_->saveFlow.isSaving()) {
        commandCenter_->saveFlow.afterSaves([alive = lifetime_.token(), performClose = std::move(performClose)] {
            if (!alive.expired()) performClose();
        });
        return false;
    }
    if (!commandCenter_->appState.isDirty.get()) return true;
    // A window cannot be closed again from inside its own close request: an answer given
    // while the question is still up lets this request through instead.
    auto question = std::make_shared<CloseQuestion>();
    commandCenter_->saveFlow.confirmBeforeClosingWindow("Close", commandCenter_->appState, commandCenter_->uiState,
        [this, alive = lifetime_.token(), question, performClose = std::move(performClose)] {
            if (alive.expired()) return;
            if (question->asking) {
                question->allowed = true;
                return;
            }
            shouldBypassCloseCheck = true;
            performClose();
            // Used by that close at most; never left for a later one.
            shouldBypassCloseCheck = false;
        });
    question->asking = false;
    return question->allowed;
}

} // namespace tl
