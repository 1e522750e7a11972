#include "generation/PromptManager.h"

#include "generation/ServerRoadFixture.h"

#include <fstream>

namespace tl {
namespace {

using namespace std::chrono_literals;
using testing::FakeProductServer;
using testing::ServerRoadTest;

class PromptManagerTest : public ServerRoadTest {
protected:
    ~PromptManagerTest() override { std::filesystem::remove_all(folder); }

    void installResource(const std::string& contents)
    {
        std::filesystem::create_directories(folder);
        std::ofstream(folder / PromptManager::resourceName) << contents;
        resources = FolderResources({ folder });
    }

    void storeCopy(const std::string& version, std::optional<std::chrono::seconds> age)
    {
        defaults.set(PromptManager::cacheKey, DefaultsData { FakeProductServer::defaultPromptsBody(version) });
        defaults.remove(PromptManager::cacheTimeKey);
        if (age) {
            const auto fetched = clock.systemNow() - *age;
            defaults.set(
                PromptManager::cacheTimeKey, std::chrono::duration<double>(fetched.time_since_epoch()).count());
        }
    }

    std::string version(PromptManager& manager)
    {
        auto result = manager.getPrompts({});
        EXPECT_TRUE(result.ok());
        return result.ok() ? result.value().version : describe(result.error());
    }

    std::filesystem::path folder = std::filesystem::temp_directory_path()
        / ("tidelumine-prompts-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-"
            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(PromptManagerTest, FetchesOnceAnHourAndKeepsTheReplyWithItsTime)
{
    PromptManager manager(server.url(), context());
    EXPECT_EQ(version(manager), "server");
    EXPECT_EQ(defaults.data(PromptManager::cacheKey)->bytes, server.promptsBody);
    EXPECT_TRUE(defaults.real(PromptManager::cacheTimeKey));
    clock.advance(3599s);
    EXPECT_EQ(version(manager), "server");
    EXPECT_EQ(server.promptRequests(), 1);
    clock.advance(1s);
    EXPECT_EQ(version(manager), "server");
    EXPECT_EQ(server.promptRequests(), 2);
    EXPECT_TRUE(log.contains("✅ Prompts fetched from server (vserver)"));
}

TEST_F(PromptManagerTest, AKeptCopyServesForTheRestOfItsHour)
{
    const struct {
        std::optional<std::chrono::seconds> age;
        int requests;
    } cases[] = { { 10s, 0 }, { 3599s, 0 }, { 3600s, 1 }, { 30 * 24h, 1 }, { std::nullopt, 1 }, { -2h, 1 } };
    for (const auto& entry : cases) {
        storeCopy("kept", entry.age);
        const int before = server.promptRequests();
        PromptManager manager(server.url(), context());
        EXPECT_TRUE(log.contains("✅ Loaded cached prompts (vkept)"));
        EXPECT_EQ(version(manager), entry.requests == 0 ? "kept" : "server");
        EXPECT_EQ(server.promptRequests() - before, entry.requests);
    }
}

TEST_F(PromptManagerTest, AFailedRefreshFallsBackToTheKeptCopyThenTheInstalledOne)
{
    installResource(FakeProductServer::defaultPromptsBody("installed"));
    server.promptsStatus = 500;
    {
        PromptManager manager(server.url(), context());
        EXPECT_EQ(version(manager), "installed");
        EXPECT_TRUE(log.contains("⚠️  Failed to fetch prompts from server: Server error: 500"));
        EXPECT_TRUE(log.contains("✅ Using bundled prompts (vinstalled)"));
        EXPECT_EQ(version(manager), "installed");
        EXPECT_EQ(server.promptRequests(), 2);
    }
    storeCopy("stale", 5h);
    server.promptsStatus = 200;
    server.promptsBody = R"({"version":"broken","templates":{"original":"a","relight":"b"}})";
    PromptManager manager(server.url(), context());
    EXPECT_EQ(version(manager), "stale");
    EXPECT_TRUE(log.contains("✅ Using cached prompts (vstale)"));
    EXPECT_EQ(defaults.data(PromptManager::cacheKey)->bytes, FakeProductServer::defaultPromptsBody("stale"));
}

TEST_F(PromptManagerTest, WithoutServerOrInstalledCopyTheCallFails)
{
    for (const char* installed : { "", "{\"version\":\"1\"}", "not json" }) {
        if (*installed) installResource(installed);
        PromptManager manager("http://127.0.0.1:1", context());
        const auto result = manager.getPrompts({});
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(describe(result.error()), "No bundled prompts available");
    }
}

TEST_F(PromptManagerTest, TheInstalledCopyIsFoundInTheBuildTree)
{
    PromptManager manager("no address", { transport, defaults, clock, programResources(), bundle });
    const auto result = manager.getPrompts({});
    ASSERT_TRUE(result.ok()) << describe(result.error());
    EXPECT_NE(result.value().templates.original.find("{userPrompt}"), std::string::npos);
    EXPECT_NE(result.value().templates.relight.find("{phaseDescription}"), std::string::npos);
}

TEST(PromptTemplateFilling, ReplacesEachPlaceholderOnceFromLeftToRight)
{
    const struct {
        const char* templateText;
        std::map<std::string, std::string> variables;
        const char* expected;
    } cases[] = {
        { "{userPrompt} and {userPrompt}", { { "userPrompt", "sea" } }, "sea and sea" },
        { "{userPrompt} stays", { { "phaseDescription", "dawn" } }, "{userPrompt} stays" },
        { "{userPrompt}", { { "userPrompt", "{userPrompt}" } }, "{userPrompt}" },
        { "{a}{b}", { { "a", "{b}" }, { "b", "B" } }, "{b}B" },
        { "{{userPrompt}}", { { "userPrompt", "x" } }, "{x}" },
        { "open { brace", { { "userPrompt", "x" } }, "open { brace" },
        { "{UserPrompt}", { { "userPrompt", "x" } }, "{UserPrompt}" },
        { "", { { "userPrompt", "x" } }, "" },
    };
    for (const auto& entry : cases)
        EXPECT_EQ(PromptManager::fillTemplate(entry.templateText, entry.variables), entry.expected)
            << entry.templateText;
}

} // namespace
} // namespace tl
