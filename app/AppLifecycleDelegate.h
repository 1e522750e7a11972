#pragma once

#include "platform/Defaults.h"
#include "platform/Lifetime.h"
#include "platform/MainThreadScheduler.h"
#include "platform/NotificationCenter.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace tl {

class AppCommandCenter;
class UpdateChecker;

// Answers the lifecycle requests: files to open, may the application quit, may
// the window close. Main thread only.
class AppLifecycleDelegate {
public:
    // `later`: the unsaved-changes flow answers through replyToTermination().
    enum class TerminateReply { now, later };

    // `terminate` ends the application once a later reply says yes.
    AppLifecycleDelegate(MainThreadScheduler& scheduler, std::function<void()> terminate);

    std::optional<std::filesystem::path> pendingFileURL;
    bool shouldBypassCloseCheck = false;
    bool isTerminating = false;

    // Logs the launch, then starts the update cycle and restarts it with an immediate
    // background check whenever the update channel changes.
    void applicationDidFinishLaunching(
        UpdateChecker& updater, NotificationCenter& notifications, const Defaults& defaults);

    // Called once the main window exists and on each later showing.
    void attach(AppCommandCenter& commandCenter);
    // A package (or a dynamic HEIC, opened as a new project) to open from the command line or the
    // desktop; false when the path is neither.
    bool openFile(const std::filesystem::path& path);

    TerminateReply applicationShouldTerminate();
    void replyToTermination(bool answer);
    // True when the window may close now, also when the user allowed it in the question this
    // asks. `performClose` closes the window again when the flow allows it later (after a save).
    bool windowShouldClose(std::function<void()> performClose);

private:
    struct CloseQuestion {
        bool asking = true;
        bool allowed = false;
    };

    void confirmAndOpen(AppCommandCenter& commandCenter, const std::filesystem::path& package);

    MainThreadScheduler& scheduler_;
    std::function<void()> terminate_;
    AppCommandCenter* commandCenter_ = nullptr;
    UpdateChecker* updater_ = nullptr;
    Observation channelObservation_;
    Lifetime lifetime_;
};

} // namespace tl
