#include "app/AppSettings.h"
#include "app/ServerAddresses.h"
#include "support/LogRecorder.h"

#include <gmock/gmock.h>

#include <any>
#include <thread>

namespace tl {
namespace {

using ::testing::ElementsAre;

FixedEnvironment variable(const std::string& name, const std::string& value)
{
    return FixedEnvironment(std::map<std::string, std::string, std::less<>> { { name, value } });
}

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest()
    {
        observation = notifications.observe(
            std::string(UpdateChannelManager::channelChangedNotification), [this](const NotificationUserInfo& info) {
                posted.emplace_back(std::any_cast<UpdateChannel>(info.at("oldChannel")),
                    std::any_cast<UpdateChannel>(info.at("newChannel")));
            });
    }

    InMemoryDefaults defaults;
    NotificationCenter notifications;
    UpdateChannelManager channels { defaults, notifications };
    FixedEnvironment environment;
    testing::LogRecorder logs;
    std::vector<std::pair<UpdateChannel, UpdateChannel>> posted;
    Observation observation;
};

TEST_F(SettingsTest, FirstLaunchWritesBothServerValuesButNotTheChannel)
{
    AppSettings settings(defaults, channels, environment);
    EXPECT_EQ(settings.updateChannel.get(), UpdateChannel::stable);
    EXPECT_FALSE(settings.useCustomServer.get());
    EXPECT_EQ(settings.customServerURL.get(), "");
    EXPECT_EQ(defaults.boolean(AppSettings::useCustomServerKey), false);
    EXPECT_EQ(defaults.string(AppSettings::serverURLOverrideKey), "");
    EXPECT_FALSE(defaults.value(UpdateChannelManager::channelKey));
    EXPECT_TRUE(posted.empty());
}

TEST_F(SettingsTest, ChannelChangesAreStoredAnnouncedOnceAndLogged)
{
    AppSettings settings(defaults, channels, environment);
    settings.updateChannel = UpdateChannel::stable;
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(logs.anyStartsWith("📡"));

    settings.updateChannel = UpdateChannel::beta;
    EXPECT_THAT(posted, ElementsAre(std::pair { UpdateChannel::stable, UpdateChannel::beta }));
    EXPECT_EQ(defaults.string(UpdateChannelManager::channelKey), "beta");
    EXPECT_TRUE(logs.contains("📡 Update channel changed: stable → beta"));

    settings.useCustomServer = true;
    settings.customServerURL = "http://localhost:8080";
    posted.clear();
    settings.resetToDefaults();
    EXPECT_THAT(posted, ElementsAre(std::pair { UpdateChannel::beta, UpdateChannel::stable }));
    EXPECT_EQ(defaults.boolean(AppSettings::useCustomServerKey), false);
    EXPECT_EQ(defaults.string(AppSettings::serverURLOverrideKey), "");
}

TEST_F(SettingsTest, OnlyTheExactBetaTextReadsAsBetaAndTheFeedPathFollows)
{
    const std::vector<std::tuple<std::optional<std::string>, UpdateChannel, std::string>> cases {
        { std::nullopt, UpdateChannel::stable, "https://u.example/api/updates/appcast.xml" },
        { "beta", UpdateChannel::beta, "https://u.example/api/updates/appcast-beta.xml" },
        { "Beta", UpdateChannel::stable, "https://u.example/api/updates/appcast.xml" },
        { "nightly", UpdateChannel::stable, "https://u.example/api/updates/appcast.xml" },
    };
    for (const auto& [stored, channel, feed] : cases) {
        SCOPED_TRACE(stored.value_or("<absent>"));
        if (stored) {
            defaults.set(UpdateChannelManager::channelKey, *stored);
        } else {
            defaults.remove(UpdateChannelManager::channelKey);
        }
        EXPECT_EQ(channels.currentChannel(), channel);
        EXPECT_EQ(channels.feedURL("https://u.example"), feed);
    }
    // The base is used as given, trailing slash and all.
    EXPECT_EQ(channels.feedURL("https://u.example/"), "https://u.example//api/updates/appcast.xml");
}

TEST_F(SettingsTest, ServerAddressPrefersATypedCustomAddressThenTheEnvironmentThenTheRelease)
{
    AppSettings settings(defaults, channels, environment);
    settings.useCustomServer = true;
    settings.customServerURL = " http://10.0.0.2:8080 ";
    EXPECT_EQ(settings.serverURL(), " http://10.0.0.2:8080 ");

    settings.customServerURL = "";
    const std::string release = settings.serverURL();
    EXPECT_TRUE(logs.contains("🔧 Using RELEASE serverURL: " + release));
    EXPECT_FALSE(release.ends_with("/"));

    const FixedEnvironment empty = variable("API_SERVER_URL", "");
    EXPECT_EQ(resolvedServerURL(empty), release);
    const FixedEnvironment set = variable("API_SERVER_URL", "http://127.0.0.1:9");
    EXPECT_EQ(resolvedServerURL(set), "http://127.0.0.1:9");
    EXPECT_TRUE(logs.contains("🔧 Using API_SERVER_URL from environment: http://127.0.0.1:9"));

    EXPECT_EQ(updateFeedBaseURL(variable("SPARKLE_FEED_BASE_URL", "")), updateFeedBaseURL(environment));
    EXPECT_EQ(updateFeedBaseURL(variable("SPARKLE_FEED_BASE_URL", "http://h")), "http://h");
}

TEST(NotificationCenterTest, PostsReachObserversOfThatNameUntilTheyAreCancelled)
{
    NotificationCenter center;
    int first = 0;
    int other = 0;
    auto observation = center.observe("A", [&](const NotificationUserInfo&) { ++first; });
    const auto unrelated = center.observe("B", [&](const NotificationUserInfo&) { ++other; });
    center.post("A");
    std::thread([&] { center.post("A"); }).join();
    observation.cancel();
    center.post("A");
    EXPECT_EQ(first, 2);
    EXPECT_EQ(other, 0);
}

} // namespace
} // namespace tl
