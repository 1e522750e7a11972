#include "app/AppState.h"
#include "model/RecentProjectCoding.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace tl {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> displayNames(const AppState& state)
{
    std::vector<std::string> names;
    for (const auto& project : state.recentProjects.get())
        names.push_back(project.displayName);
    return names;
}

std::string packagePath(int number)
{
    return "/projects/P" + std::to_string(number) + ".vorrind";
}

TEST(RecentProjects, AddingMovesToTheFrontWithoutGrowingAndPersists)
{
    InMemoryDefaults defaults;
    {
        AppState state { defaults };
        EXPECT_TRUE(state.recentProjects.get().empty());
        state.addRecentProject("/projects/Dunes.vorrind");
        state.addRecentProject("/projects/Harbour.vorrind");
        const Date before = state.recentProjects.get()[1].lastOpened;
        state.addRecentProject("/projects/Dunes.vorrind");
        EXPECT_THAT(displayNames(state), ElementsAre("Dunes", "Harbour"));
        EXPECT_GE(state.recentProjects.get()[0].lastOpened, before);
    }
    AppState reopened { defaults };
    EXPECT_THAT(displayNames(reopened), ElementsAre("Dunes", "Harbour"));
    EXPECT_EQ(reopened.recentProjects.get()[0].path, "/projects/Dunes.vorrind");
}

TEST(RecentProjects, TheEleventhProjectDropsTheOldest)
{
    InMemoryDefaults defaults;
    AppState state { defaults };
    for (int i = 1; i <= 11; ++i)
        state.addRecentProject(packagePath(i));
    ASSERT_EQ(state.recentProjects.get().size(), 10u);
    EXPECT_EQ(state.recentProjects.get().front().displayName, "P11");
    EXPECT_EQ(state.recentProjects.get().back().displayName, "P2");
}

TEST(RecentProjects, NameFallsBackToTheWholeComponentAndEmptyPathsAreRefused)
{
    InMemoryDefaults defaults;
    AppState state { defaults };
    state.addRecentProject("/projects/.vorrind");
    state.addRecentProject("");
    EXPECT_THAT(displayNames(state), ElementsAre(".vorrind"));
}

TEST(RecentProjects, AnOversizedStoredListLoadsUnchangedAndTheNextAdditionTrimsIt)
{
    std::vector<RecentProject> stored;
    for (int i = 0; i < 12; ++i)
        stored.push_back({ packagePath(i % 6), "P" + std::to_string(i), Date::now() });
    InMemoryDefaults defaults;
    defaults.set(AppState::recentProjectsKey, DefaultsData { encodeRecentProjects(stored).value() });

    AppState state { defaults };
    ASSERT_EQ(state.recentProjects.get().size(), 12u);
    state.addRecentProject(packagePath(0));
    const auto& projects = state.recentProjects.get();
    ASSERT_EQ(projects.size(), 10u);
    EXPECT_EQ(projects[0].path, packagePath(0));
    EXPECT_EQ(std::count_if(projects.begin(), projects.end(),
                  [](const RecentProject& project) { return project.path == packagePath(0); }),
        1);
    EXPECT_EQ(std::count_if(projects.begin(), projects.end(),
                  [](const RecentProject& project) { return project.path == packagePath(1); }),
        2);
}

TEST(RecentProjects, AnUnreadableStoredListStartsEmptyAndIsKeptUntilTheNextSave)
{
    InMemoryDefaults defaults;
    defaults.set(AppState::recentProjectsKey, DefaultsData { "[{\"path\":" });
    AppState state { defaults };
    EXPECT_TRUE(state.recentProjects.get().empty());
    EXPECT_EQ(defaults.data(AppState::recentProjectsKey)->bytes, "[{\"path\":");
}

// A second instance started while the first was still saving wrote back its own, older list and
// erased the package the first had added meanwhile.
TEST(RecentProjects, TwoInstancesOnOneStoreKeepEachOthersAdditions)
{
    InMemoryDefaults defaults;
    AppState first { defaults };
    first.addRecentProject("/projects/Dunes.vorrind");
    AppState second { defaults };
    first.addRecentProject("/projects/Harbour.vorrind");
    second.addRecentProject("/projects/Meadow.vorrind");
    EXPECT_THAT(displayNames(second), ElementsAre("Meadow", "Harbour", "Dunes"));
    first.addRecentProject("/projects/Dunes.vorrind");
    EXPECT_THAT(displayNames(first), ElementsAre("Dunes", "Meadow", "Harbour"));
    EXPECT_THAT(displayNames(AppState { defaults }), ElementsAre("Dunes", "Meadow", "Harbour"));
}

TEST(GenerationState, ClientIdIsCreatedOnceAndReusedAndAnEmptyOneIsReplaced)
{
    InMemoryDefaults defaults;
    std::string first;
    {
        AppState state { defaults };
        first = state.clientId.get();
        EXPECT_TRUE(Uuid::parse(first).has_value());
        EXPECT_EQ(Uuid::parse(first)->text(), first);
    }
    EXPECT_EQ(AppState { defaults }.clientId.get(), first);

    defaults.set(AppState::clientIdKey, std::string());
    AppState state { defaults };
    EXPECT_FALSE(state.clientId.get().empty());
    EXPECT_NE(state.clientId.get(), first);
    EXPECT_EQ(defaults.string(AppState::clientIdKey), state.clientId.get());
}

TEST(GenerationState, IdentifiersSurviveARestartAndAbsentOnesRemoveTheirKeys)
{
    InMemoryDefaults defaults;
    defaults.set(AppState::currentGenerationJobIdKey, std::string("job"));
    defaults.set(AppState::currentGenerationIdempotencyKeyKey, std::string("idem"));
    defaults.set(AppState::currentGenerationLastEventIdKey, std::string("event"));
    {
        AppState state { defaults };
        EXPECT_EQ(state.currentGenerationJobId.get(), "job");
        EXPECT_EQ(state.currentGenerationIdempotencyKey.get(), "idem");
        EXPECT_EQ(state.currentGenerationLastEventId.get(), "event");
        state.currentGenerationLastEventId = std::nullopt;
    }
    AppState restarted { defaults };
    EXPECT_EQ(restarted.currentGenerationJobId.get(), "job");
    EXPECT_EQ(restarted.currentGenerationIdempotencyKey.get(), "idem");
    EXPECT_FALSE(restarted.currentGenerationLastEventId.get().has_value());
    EXPECT_FALSE(defaults.value(AppState::currentGenerationLastEventIdKey).has_value());
}

} // namespace
} // namespace tl
