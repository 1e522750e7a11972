#include "app/AppLifecycleDelegate.h"
#include "app/AppSettings.h"
#include "app/Appcast.h"
#include "app/UpdateChecker.h"
#include "platform/http/CurlTransport.h"
#include "support/LogRecorder.h"
#include "support/LoopbackServer.h"
#include "support/ScriptedDialogs.h"

#include <gmock/gmock.h>

#include <atomic>

namespace tl {
namespace {

using ::testing::ElementsAre;

std::string appcast(const std::vector<std::pair<std::string, std::string>>& versions)
{
    std::string items;
    for (const auto& [version, display] : versions) {
        items += "<item><title>Tidelumine " + display + "</title><link>https://example.org/r/" + version
            + "?a=1&amp;b=2</link><enclosure url=\"https://example.org/t.tar\" sparkle:version=\"" + version
            + "\" sparkle:shortVersionString=\"" + display + "\"/></item>";
    }
    return R"(<?xml version="1.0"?><rss xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>)"
        + items + "</channel></rss>";
}

TEST(AppcastTest, ReadsVersionsFromElementsOrEnclosuresAndPicksTheNewestNewer)
{
    const auto items = parseAppcast(appcast({ { "0.9.0", "0.9" }, { "0.12.1", "0.12.1 beta" } })
        + "<item><sparkle:version>0.10</sparkle:version>"
        + "<link><![CDATA[https://x.org/?q=<1>]]></link></item><item><title>no version</title></item>");
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].displayVersion, "0.12.1 beta");
    EXPECT_EQ(items[1].link, "https://example.org/r/0.12.1?a=1&b=2");
    EXPECT_EQ(items[2].version, "0.10");
    EXPECT_EQ(items[2].displayVersion, "0.10");
    EXPECT_EQ(items[2].link, "https://x.org/?q=<1>");

    EXPECT_EQ(newestUpdate(items, "0.10.0")->version, "0.12.1");
    EXPECT_FALSE(newestUpdate(items, "0.12.1"));
    EXPECT_TRUE(parseAppcast("not xml at all").empty());

    const std::vector<std::tuple<std::string, std::string, int>> comparisons { { "1.10", "1.9", 1 }, { "1.0", "1", 0 },
        { "1.0.1", "1.0", 1 }, { "0.9", "0.10", -1 }, { "2.0b3", "2.0", 0 } };
    for (const auto& [a, b, expected] : comparisons)
        EXPECT_EQ(compareVersions(a, b), expected) << a << " " << b;
}

// A loopback update server with both feeds, counting requests per path.
class UpdateCheckerTest : public ::testing::Test {
protected:
    UpdateCheckerTest()
    {
        server.server().Get("/api/updates/appcast.xml", [this](const httplib::Request&, httplib::Response& response) {
            ++stableRequests;
            response.set_content(stableFeed, "application/xml");
        });
        server.server().Get(
            "/api/updates/appcast-beta.xml", [this](const httplib::Request&, httplib::Response& response) {
                ++betaRequests;
                response.set_content(appcast({ { "0.2.0", "0.2 beta" } }), "application/xml");
            });
    }

    // Waits for the worker's result and delivers it on this thread.
    void deliver()
    {
        ASSERT_TRUE(scheduler.waitForWork());
        scheduler.runAll();
    }

    testing::LoopbackServer server;
    std::atomic<int> stableRequests = 0;
    std::atomic<int> betaRequests = 0;
    std::string stableFeed = appcast({ { "0.1.0", "0.1" } });

    InMemoryDefaults defaults;
    NotificationCenter notifications;
    UpdateChannelManager channels { defaults, notifications };
    FixedEnvironment environment { std::map<std::string, std::string, std::less<>> {
        { "SPARKLE_FEED_BASE_URL", server.url() } } };
    testing::ScriptedDialogs dialogs;
    testing::ManualScheduler scheduler;
    testing::LogRecorder logs;
    CurlTransport transport;
    std::vector<std::string> opened;
    PlatformServices platform { defaults, dialogs, scheduler, transport, environment, systemClock() };
    UpdateChecker checker { platform, channels, [this](const std::string& link) { opened.push_back(link); }, "0.1.0" };
};

TEST_F(UpdateCheckerTest, AChannelChangeRunsOneBackgroundCheckOnTheBetaFeedAndOffersTheRelease)
{
    AppLifecycleDelegate lifecycle(scheduler, {});
    lifecycle.applicationDidFinishLaunching(checker, notifications, defaults);
    EXPECT_TRUE(logs.contains("✅ Sparkle initialized - update channel: stable"));
    deliver();
    EXPECT_EQ(stableRequests, 1);
    EXPECT_TRUE(logs.contains("ℹ️  No updates available"));
    EXPECT_TRUE(dialogs.alerts.empty());
    EXPECT_TRUE(defaults.real(UpdateChecker::lastCheckTimeKey));

    AppSettings settings(defaults, channels, environment);
    settings.updateChannel = UpdateChannel::beta;
    dialogs.answerAlert(0);
    scheduler.runAll();
    deliver();
    EXPECT_EQ(betaRequests, 1);
    EXPECT_EQ(stableRequests, 1);
    EXPECT_TRUE(logs.contains("📡 Sparkle feed URL: " + server.url("/api/updates/appcast-beta.xml")));
    EXPECT_TRUE(logs.contains("✅ Update found: 0.2 beta (0.2.0)"));
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, "A new version of Tidelumine is available!");
    EXPECT_THAT(opened, ElementsAre("https://example.org/r/0.2.0?a=1&b=2"));
    EXPECT_TRUE(dialogs.scriptFinished());
}

TEST_F(UpdateCheckerTest, BrokenFeedsAndRefusedConnectionsStaySilentInTheBackground)
{
    stableFeed = "<html>oops</html>";
    checker.checkForUpdatesInBackground();
    deliver();
    EXPECT_TRUE(logs.anyStartsWith("⚠️ Update check failed: "));

    testing::LoopbackServer closed;
    const std::string refused = closed.url();
    closed.server().stop();
    FixedEnvironment nowhere { std::map<std::string, std::string, std::less<>> {
        { "SPARKLE_FEED_BASE_URL", refused } } };
    UpdateChecker offline { PlatformServices { defaults, dialogs, scheduler, transport, nowhere, systemClock() },
        channels, {}, "0.1.0" };
    offline.checkForUpdatesInBackground();
    deliver();
    EXPECT_TRUE(dialogs.alerts.empty());

    // Asked for by the user, the same failure is reported.
    dialogs.answerAlert(0);
    offline.checkForUpdates();
    deliver();
    EXPECT_EQ(dialogs.alerts.back().message, "Update Error!");
}

TEST_F(UpdateCheckerTest, TheCycleWaitsADayFromTheLastCheckAndAResetDropsTheOldTimer)
{
    const double now = std::chrono::duration<double>(systemClock().systemNow().time_since_epoch()).count();
    defaults.set(UpdateChecker::lastCheckTimeKey, now - 3600.0);
    checker.start();
    scheduler.runAll();
    EXPECT_EQ(stableRequests, 0);
    EXPECT_EQ(scheduler.pendingCount(), 1u);

    checker.resetUpdateCycle();
    scheduler.advance(std::chrono::hours(24));
    EXPECT_EQ(stableRequests, 0);

    dialogs.answerAlert(0);
    checker.checkForUpdates();
    deliver();
    EXPECT_EQ(dialogs.alerts.back().message, "You're up to date!");
}

} // namespace
} // namespace tl
