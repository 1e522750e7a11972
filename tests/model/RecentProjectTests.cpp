#include "model/RecentProject.h"
#include "model/RecentProjectCoding.h"
#include "model/WallpaperMode.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unordered_set>

namespace tl {
namespace {

using ::testing::HasSubstr;

TEST(WallpaperModeRawValue, RoundTripsAndAcceptsOnlyExactRawValues)
{
    for (const auto mode : { WallpaperMode::time, WallpaperMode::appearance }) {
        EXPECT_EQ(wallpaperModeFromRaw(rawValue(mode)), mode);
    }
    EXPECT_EQ(rawValue(WallpaperMode::appearance), "appearance");
    for (const std::string_view raw : { "Time", "", "time ", "Appearance", "light" }) {
        EXPECT_FALSE(wallpaperModeFromRaw(raw)) << raw;
    }
}

TEST(RecentProjectValue, IdentityIsThePathWhileEqualityAndHashingUseAllFields)
{
    const RecentProject opened { "/p/Dunes.vorrind", "Dunes", Date::sinceReferenceDate(100.0) };
    const RecentProject reopened { "/p/Dunes.vorrind", "Dunes", Date::sinceReferenceDate(200.5) };
    const RecentProject renamed { "/p/Dunes.vorrind", "Dunes 2", Date::sinceReferenceDate(100.0) };

    EXPECT_EQ(opened.id(), reopened.id());
    EXPECT_NE(opened, reopened);
    EXPECT_NE(opened, renamed);
    EXPECT_EQ(opened, (RecentProject { "/p/Dunes.vorrind", "Dunes", Date::sinceReferenceDate(100.0) }));

    const std::hash<RecentProject> hash;
    EXPECT_EQ(hash(opened), hash(RecentProject { opened }));
    const std::unordered_set<RecentProject> set { opened, reopened, renamed, opened };
    EXPECT_EQ(set.size(), 3u);
}

TEST(RecentProjectsCoding, WritesCompactJsonWithSecondsSinceTheReferenceDate)
{
    const auto text = encodeRecentProjects({ { "/home/me/Dunes.vorrind", "Dünen", Date::sinceReferenceDate(12.5) } });
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.value(), R"([{"displayName":"Dünen","lastOpened":12.5,"path":"\/home\/me\/Dunes.vorrind"}])");
    EXPECT_EQ(encodeRecentProjects({}).value(), "[]");
}

TEST(RecentProjectsCoding, RoundTripsDatesExactly)
{
    const std::vector<RecentProject> projects {
        { "/a/One.vorrind", "One", Date::sinceUnixEpoch(1'700'000'000.123456789) },
        { "/b/Two \"quoted\".vorrind", "Two\n", Date::sinceReferenceDate(-0.1) },
        { "/c/Three.vorrind", "Three", Date::sinceReferenceDate(7e8) },
    };
    const auto text = encodeRecentProjects(projects);
    ASSERT_TRUE(text.ok());
    const auto back = decodeRecentProjects(text.value());
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(back.value(), projects);
}

TEST(RecentProjectsCoding, FailsOnNonFiniteDatesAndMalformedLists)
{
    EXPECT_FALSE(encodeRecentProjects({ { "/a", "A", Date::sinceReferenceDate(std::nan("")) } }).ok());

    const auto wrongDate = decodeRecentProjects(R"([{"path":"/a","displayName":"A","lastOpened":"today"}])");
    ASSERT_FALSE(wrongDate.ok());
    EXPECT_THAT(wrongDate.error().message, HasSubstr("\"[0].lastOpened\" should be a finite number"));

    const auto missingPath = decodeRecentProjects(R"([{"displayName":"A","lastOpened":1}])");
    ASSERT_FALSE(missingPath.ok());
    EXPECT_THAT(missingPath.error().message, HasSubstr("no value for \"[0].path\""));

    const auto notAList = decodeRecentProjects(R"({"path":"/a"})");
    ASSERT_FALSE(notAList.ok());
    EXPECT_THAT(notAList.error().message, HasSubstr("the top level should be an array"));
}

} // namespace
} // namespace tl
