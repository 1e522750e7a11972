#include "app/AppSettings.h"
#include "shell/SettingsPages.h"
#include "shell/SettingsView.h"
#include "support/LogRecorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <any>
#include <regex>

namespace tl {
namespace {

QStringList labelTexts(const QWidget& root)
{
    QStringList texts;
    for (const auto* label : root.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

class SettingsViewTest : public ::testing::Test {
protected:
    SettingsViewTest()
    {
        observation = notifications.observe(
            std::string(UpdateChannelManager::channelChangedNotification), [this](const NotificationUserInfo& info) {
                posted.push_back(std::any_cast<UpdateChannel>(info.at("newChannel")));
            });
    }

    InMemoryDefaults defaults;
    NotificationCenter notifications;
    UpdateChannelManager channels { defaults, notifications };
    FixedEnvironment environment { std::map<std::string, std::string, std::less<>> {
        { "API_SERVER_URL", "https://env.example" } } };
    testing::LogRecorder logs;
    AppSettings settings { defaults, channels, environment };
    std::vector<UpdateChannel> posted;
    Observation observation;
};

TEST_F(SettingsViewTest, ThreeTabsThatOpenOnGeneralEachTime)
{
    SettingsView view(settings, BundleInfo { "id", "1.4.0", std::nullopt });
    EXPECT_EQ(view.size(), QSize(500, 350));
    ASSERT_EQ(view.tabs().count(), 3);
    EXPECT_EQ(view.tabs().tabText(0), "General");
    EXPECT_EQ(view.tabs().tabText(1), "Updates");
    EXPECT_EQ(view.tabs().tabText(2), "Advanced");
    EXPECT_FALSE(view.tabs().tabIcon(2).isNull());

    view.show();
    view.selectTab(SettingsView::SettingsTab::advanced);
    view.hide();
    view.show();
    EXPECT_EQ(view.selectedTab(), SettingsView::SettingsTab::general);

    const QStringList general = labelTexts(*view.tabs().widget(0));
    EXPECT_TRUE(general.contains("1.4.0"));
    EXPECT_TRUE(general.contains("Unknown")); // no build number from the build system
    EXPECT_TRUE(general.contains("Version:"));
    EXPECT_TRUE(general.contains("Build:"));
}

// Every build names itself, so a user can say which one runs: the commit count and short hash of
// its checkout, or the day of the build without one.
TEST_F(SettingsViewTest, GeneralShowsThisBuildsNumber)
{
    const auto bundle = mainBundle();
    ASSERT_TRUE(bundle.buildNumber.has_value());
    EXPECT_TRUE(std::regex_match(*bundle.buildNumber, std::regex(R"(([0-9]+\.[0-9a-f]{4,40})|(20[0-9]{6}))")))
        << *bundle.buildNumber;
    SettingsView view(settings, bundle);
    const QStringList general = labelTexts(*view.tabs().widget(0));
    EXPECT_TRUE(general.contains(QString::fromStdString(*bundle.buildNumber)));
    EXPECT_FALSE(general.contains("Unknown"));
}

TEST_F(SettingsViewTest, ChoosingAChannelStoresAndAnnouncesItOnce)
{
    UpdatesSettingsView updates(settings);
    QAbstractButton* beta = updates.channels().button(static_cast<int>(UpdateChannel::beta));
    ASSERT_NE(beta, nullptr);
    EXPECT_EQ(beta->text(), "Beta");
    EXPECT_TRUE(updates.channels().button(static_cast<int>(UpdateChannel::stable))->isChecked());

    beta->click();
    beta->click(); // the channel already set: nothing more
    EXPECT_EQ(settings.updateChannel.get(), UpdateChannel::beta);
    EXPECT_EQ(posted, std::vector<UpdateChannel> { UpdateChannel::beta });
    EXPECT_TRUE(labelTexts(updates).contains("Early access to new features (may be unstable)"));
}

TEST_F(SettingsViewTest, TheAddressRowFollowsTheSwitchAndTheServerInEffectFollowsTheTyping)
{
    AdvancedSettingsView advanced(settings);
    EXPECT_TRUE(advanced.customServerRows()->isHidden());
    EXPECT_EQ(advanced.serverURL()->placeholderText(), "https://...");
    EXPECT_EQ(advanced.currentServer()->text(), "https://env.example");

    advanced.useCustomServer()->click();
    EXPECT_TRUE(settings.useCustomServer.get());
    EXPECT_FALSE(advanced.customServerRows()->isHidden());
    // Switched on with an empty address: still the environment's server.
    EXPECT_EQ(advanced.currentServer()->text(), "https://env.example");

    advanced.show();
    QTest::keyClicks(advanced.serverURL(), "https://my");
    EXPECT_EQ(settings.customServerURL.get(), "https://my");
    EXPECT_EQ(advanced.currentServer()->text(), "https://my");
    advanced.serverURL()->clear();
    QTest::keyClicks(advanced.serverURL(), "  ");
    EXPECT_EQ(advanced.currentServer()->text(), "  "); // blanks are an address, as typed
}

TEST_F(SettingsViewTest, ResetFromBetaReturnsToStableAndHidesTheAddress)
{
    settings.updateChannel = UpdateChannel::beta;
    settings.useCustomServer = true;
    settings.customServerURL = std::string("https://custom.example");
    posted.clear();
    UpdatesSettingsView updates(settings);
    AdvancedSettingsView advanced(settings);
    EXPECT_EQ(advanced.serverURL()->text(), "https://custom.example");

    advanced.resetButton()->click();
    EXPECT_EQ(posted, std::vector<UpdateChannel> { UpdateChannel::stable });
    EXPECT_TRUE(updates.channels().button(static_cast<int>(UpdateChannel::stable))->isChecked());
    EXPECT_TRUE(advanced.customServerRows()->isHidden());
    EXPECT_FALSE(advanced.useCustomServer()->isChecked());
    EXPECT_EQ(advanced.currentServer()->text(), "https://env.example");
}

} // namespace
} // namespace tl
