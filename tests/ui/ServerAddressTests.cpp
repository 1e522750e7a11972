#include "MainWindowHarness.h"

#include "app/AppSettings.h"
#include "ui/common/SheetPresenter.h"
#include "ui/generation/CreateWallpaperSheet.h"
#include "ui/library/ImagesLibraryView.h"
#include "ui/library/LibraryContext.h"
#include "ui/library/sheets/ImageEditSheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace tl {
namespace {

using testing::processEventsUntil;

// Both AI sheets of the real window, with the settings window's server choices: each request goes
// to the address "Current server:" shows at the moment it starts, and a connection that fails
// names that address.
class ServerAddressTest : public ::testing::Test {
protected:
    ServerAddressTest()
    {
        harness.window().show();
        EXPECT_TRUE(harness.importThroughToolbar(harness.writePictures({ Qt::red, Qt::blue })));
    }

    // The addresses the sheets asked for since the last call (the update check is no sheet's).
    std::vector<std::string> newRequests()
    {
        const auto all = harness.platform.transport.urls();
        std::vector<std::string> fresh;
        std::copy_if(all.begin() + static_cast<std::ptrdiff_t>(seen_), all.end(), std::back_inserter(fresh),
            [](const std::string& url) { return url.find("/api/updates/") == std::string::npos; });
        seen_ = all.size();
        return fresh;
    }

    tl::testing::MainWindowHarness harness;
    AppSettings& settings = harness.app.settings();

private:
    std::size_t seen_ = 0;
};

TEST_F(ServerAddressTest, BothSheetsAskTheServerTheSettingsShowWhenTheRequestStarts)
{
    const std::string environmentServer = "http://env.invalid:8101";
    const std::string customServer = "http://custom.invalid:8102";
    const struct {
        bool useCustom;
        std::string custom;
        std::optional<std::string> environment;
        std::string expected;
    } table[] = {
        { false, customServer, environmentServer, environmentServer },
        { true, customServer, environmentServer, customServer },
        { true, "", environmentServer, environmentServer },
        { true, customServer, std::nullopt, customServer },
    };

    harness.content().library().editImage(harness.app.appState.images.get()[1]);
    auto* edit = qobject_cast<ui::ImageEditSheet*>(harness.content().context().sheets().current());
    ASSERT_NE(edit, nullptr);
    auto& editModel = edit->model();
    editModel.editPrompt = std::string("Warmer light");
    for (const auto& row : table) {
        harness.platform.environment
            = row.environment ? FixedEnvironment({ { "API_SERVER_URL", *row.environment } }) : FixedEnvironment();
        settings.useCustomServer = row.useCustom;
        settings.customServerURL = row.custom;
        ASSERT_EQ(settings.serverURL(), row.expected);

        editModel.regenerate();
        editModel.waitForWorkers();
        ASSERT_TRUE(processEventsUntil([&]() -> bool { return !editModel.isGenerating.get(); }));
        EXPECT_EQ(
            editModel.errorMessage.get(), "Failed to regenerate: Could not connect to the server.\n" + row.expected);
        const auto sent = newRequests();
        ASSERT_FALSE(sent.empty()) << row.expected;
        for (const auto& url : sent)
            EXPECT_TRUE(url.starts_with(row.expected + "/api/")) << url;
    }
    harness.content().context().sheets().dismiss();

    harness.window().actions().generateTimeline.trigger();
    auto* create = qobject_cast<ui::CreateWallpaperSheet*>(harness.content().context().sheets().current());
    ASSERT_NE(create, nullptr);
    auto& createModel = create->model();
    createModel.setPrompt("A quiet harbour");
    for (const auto& row : table) {
        harness.platform.environment
            = row.environment ? FixedEnvironment({ { "API_SERVER_URL", *row.environment } }) : FixedEnvironment();
        settings.useCustomServer = row.useCustom;
        settings.customServerURL = row.custom;

        createModel.dismissError();
        ASSERT_TRUE(createModel.canGenerate());
        createModel.startGeneration();
        createModel.waitForWorkers();
        ASSERT_TRUE(processEventsUntil([&]() -> bool { return !createModel.status().isGenerating; }));
        EXPECT_EQ(createModel.status().errorMessage, "Could not connect to the server.\n" + row.expected);
        const auto sent = newRequests();
        ASSERT_FALSE(sent.empty()) << row.expected;
        for (const auto& url : sent)
            EXPECT_TRUE(url.starts_with(row.expected + "/api/")) << url;
    }
    create->reject();
}

} // namespace
} // namespace tl
