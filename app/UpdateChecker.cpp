#include "app/UpdateChecker.h"

#include "app/ServerAddresses.h"
#include "platform/Log.h"

#include <variant>

namespace tl {
namespace {

constexpr std::chrono::seconds feedTimeout { 30 };

struct NoUpdate { };
struct CheckFailed {
    std::string message;
};

} // namespace

struct UpdateCheckOutcome {
    std::variant<AppcastItem, NoUpdate, CheckFailed> result;
};

namespace {

UpdateCheckOutcome fetchOutcome(
    HttpTransport& transport, const std::string& url, const std::string& version, std::stop_token stop, bool& cancelled)
{
    HttpRequest request;
    request.url = url;
    request.timeout = feedTimeout;
    auto response = transport.send(request, stop);
    if (!response) {
        cancelled = response.error().isCancellation();
        return { CheckFailed { response.error().description() } };
    }
    if (!response.value().succeeded()) {
        return { CheckFailed {
            "The update server answered with status " + std::to_string(response.value().status) + "." } };
    }
    const std::string& body = response.value().body;
    if (body.find("<rss") == std::string::npos && body.find("<channel") == std::string::npos) {
        return { CheckFailed { "The update feed could not be read." } };
    }
    if (auto update = newestUpdate(parseAppcast(body), version)) return { std::move(*update) };
    return { NoUpdate {} };
}

} // namespace

UpdateChecker::UpdateChecker(PlatformServices platform, UpdateChannelManager& channels,
    std::function<void(const std::string&)> openLink, std::string currentVersion)
    : platform_(platform)
    , channels_(channels)
    , openLink_(std::move(openLink))
    , currentVersion_(std::move(currentVersion))
{
}

UpdateChecker::~UpdateChecker()
{
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
}

std::string UpdateChecker::feedURL() const
{
    auto url = channels_.feedURL(updateFeedBaseURL(platform_.environment));
    log("📡 Sparkle feed URL: " + url);
    return url;
}

void UpdateChecker::start()
{
    const auto last = platform_.defaults.real(lastCheckTimeKey);
    const auto now = std::chrono::duration<double>(platform_.clock.systemNow().time_since_epoch()).count();
    const auto interval = std::chrono::duration<double>(checkInterval).count();
    if (!last || now - *last >= interval || now < *last) {
        checkForUpdatesInBackground();
        return;
    }
    scheduleCycle(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::duration<double>(interval - (now - *last))));
}

void UpdateChecker::resetUpdateCycle()
{
    ++cycle_;
}

void UpdateChecker::scheduleCycle(std::chrono::milliseconds delay)
{
    platform_.scheduler.schedule(delay, [this, alive = lifetime_.token(), cycle = cycle_] {
        if (alive.expired() || cycle != cycle_) return;
        checkForUpdatesInBackground();
    });
}

void UpdateChecker::checkForUpdatesInBackground()
{
    check(false);
}

void UpdateChecker::checkForUpdates()
{
    check(true);
}

void UpdateChecker::check(bool interactive)
{
    // One check at a time: a newer request replaces the one under way.
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
    worker_ = std::jthread([this, alive = lifetime_.token(), url = feedURL(), interactive, version = currentVersion_](
                               std::stop_token stop) {
        bool cancelled = false;
        auto outcome = fetchOutcome(platform_.transport, url, version, stop, cancelled);
        if (cancelled) return;
        platform_.scheduler.schedule(
            std::chrono::milliseconds(0), [this, alive, outcome = std::move(outcome), interactive] {
                if (!alive.expired()) finish(outcome, interactive);
            });
    });
}

void UpdateChecker::finish(const UpdateCheckOutcome& outcome, bool interactive)
{
    if (!interactive) {
        const auto now = std::chrono::duration<double>(platform_.clock.systemNow().time_since_epoch()).count();
        platform_.defaults.set(lastCheckTimeKey, now);
        ++cycle_;
        scheduleCycle(checkInterval);
    }
    if (const auto* update = std::get_if<AppcastItem>(&outcome.result)) {
        log("✅ Update found: " + update->displayVersion + " (" + update->version + ")");
        const auto answer = platform_.dialogs.runAlert(Alert {
            .message = "A new version of Tidelumine is available!",
            .informativeText = "Tidelumine " + update->displayVersion + " is available; you have " + currentVersion_
                + ". The release page has the download:\n" + update->link,
            .style = AlertStyle::informational,
            .buttons = update->link.empty() ? std::vector<std::string> { "OK" }
                                            : std::vector<std::string> { "View Release", "Later" },
        });
        if (answer == 0 && !update->link.empty() && openLink_) openLink_(update->link);
    } else if (std::holds_alternative<NoUpdate>(outcome.result)) {
        log("ℹ️  No updates available");
        if (interactive) {
            platform_.dialogs.runAlert(Alert {
                .message = "You're up to date!",
                .informativeText = "Tidelumine " + currentVersion_ + " is the newest version available.",
                .style = AlertStyle::informational,
                .buttons = { "OK" },
            });
        }
    } else {
        const auto& failure = std::get<CheckFailed>(outcome.result);
        log("⚠️ Update check failed: " + failure.message);
        if (interactive) {
            platform_.dialogs.runAlert(Alert {
                .message = "Update Error!",
                .informativeText = "An error occurred while checking for updates: " + failure.message,
                .style = AlertStyle::critical,
                .buttons = { "OK" },
            });
        }
    }
}

} // namespace tl
