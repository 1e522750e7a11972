#pragma once

#include "app/Appcast.h"
#include "app/PlatformServices.h"
#include "app/UpdateChannel.h"
#include "platform/Lifetime.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace tl {

struct UpdateCheckOutcome;

// Reads the channel's update feed on a worker thread and tells the user when a
// newer release is out, with a link to it. It never downloads or installs.
// Background checks repeat every 24 hours and stay silent when they fail.
// Called on the main thread; results come back to it through the scheduler.
class UpdateChecker {
public:
    static constexpr std::string_view lastCheckTimeKey = "TidelumineLastUpdateCheckTime";
    static constexpr std::chrono::hours checkInterval { 24 };

    UpdateChecker(PlatformServices platform, UpdateChannelManager& channels,
        std::function<void(const std::string&)> openLink, std::string currentVersion);
    ~UpdateChecker();
    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    // Starts the cycle: checks now when the last check is a day old or unknown,
    // otherwise when it will be.
    void start();
    // Forgets the scheduled check; the next check starts a new cycle.
    void resetUpdateCycle();
    void checkForUpdatesInBackground();
    // Asked for by the user: says what it found, also when there is nothing new.
    void checkForUpdates();
    // The feed address of the current channel, read afresh each time.
    std::string feedURL() const;

private:
    void check(bool interactive);
    void finish(const UpdateCheckOutcome& outcome, bool interactive);
    void scheduleCycle(std::chrono::milliseconds delay);

    PlatformServices platform_;
    UpdateChannelManager& channels_;
    std::function<void(const std::string&)> openLink_;
    std::string currentVersion_;
    int cycle_ = 0;
    std::jthread worker_;
    Lifetime lifetime_;
};

} // namespace tl
