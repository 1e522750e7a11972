#include "DesktopTestSupport.h"
#include "engine/desktop/GnomeBackground.h"
#include "engine/desktop/PlasmaPackage.h"
#include "support/TestImageFiles.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace tl {
namespace {

namespace fs = std::filesystem;
using namespace desktop;

const TimeOfDaySchedule kTwoTurns { { { 0, 0.25 }, { 1, 0.75 } } };

WallpaperSource timedSource(std::string name, int level)
{
    return { std::move(name), { 2, kTwoTurns }, test::flatImages({ level, level + 1 }) };
}

// Fails on the second image, as an unreadable frame or a full disk would.
WallpaperSource failingSource(std::string name)
{
    ImagePixels good = test::flatImages({ 7, 8 });
    return { std::move(name), { 2, kTwoTurns }, [good](std::size_t index) -> Result<cv::Mat, DesktopError> {
                if (index == 1) return DesktopError { DesktopError::Kind::badImage, "unreadable" };
                return good(index);
            } };
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WallpaperFolderSafety, InstallsIntoAUsersFolderReplaceOnlyTheirOwnFolderAndKeepTheOldOneWhenTheyFail)
{
    const test::ScratchFolder scratch;
    const fs::path mine = scratch.path / "Mine";
    fs::create_directories(mine / "photos");
    test::writeBytes(mine / "notes.txt", "keep me");
    test::writeBytes(mine / "photos" / "cat.jpg", "a cat");

    for (const char* name : { "Sunrise", "Other", "Sunrise" }) {
        const auto written = writeGnomeWallpaper(timedSource(name, 10), {}, gnomeFoldersInside(mine, name));
        ASSERT_TRUE(written) << written.error().text;
    }
    EXPECT_EQ(test::readBytes(mine / "notes.txt"), "keep me");
    EXPECT_EQ(test::readBytes(mine / "photos" / "cat.jpg"), "a cat");
    EXPECT_EQ(namesIn(mine), (std::vector<std::string> { "Other", "Sunrise", "notes.txt", "photos" }));
    const auto plasma = writePlasmaPackage(timedSource("Sunrise", 10), mine / "Sunrise");
    ASSERT_TRUE(plasma) << plasma.error().text;
    EXPECT_EQ(test::readBytes(mine / "notes.txt"), "keep me");

    // A re-install that fails on its second frame leaves the first install whole.
    const fs::path data = scratch.path / "data";
    const auto first = writeGnomeWallpaper(timedSource("Day", 40), {}, userGnomeFolders(data, "Day"));
    ASSERT_TRUE(first) << first.error().text;
    const std::string slideshow = test::readBytes(first.value().picture);
    const std::vector<std::string> before = namesIn(data / "backgrounds" / "Day");
    const auto failed = writeGnomeWallpaper(failingSource("Day"), {}, userGnomeFolders(data, "Day"));
    ASSERT_FALSE(failed);
    EXPECT_EQ(test::readBytes(first.value().picture), slideshow);
    EXPECT_EQ(namesIn(data / "backgrounds" / "Day"), before);
    EXPECT_EQ(namesIn(data / "backgrounds"), std::vector<std::string> { "Day" });
    EXPECT_TRUE(fs::exists(first.value().propertiesFile));
    const auto failedPlasma = writePlasmaPackage(failingSource("Sunrise"), mine / "Sunrise");
    ASSERT_FALSE(failedPlasma);
    EXPECT_TRUE(fs::exists(plasma.value().written.back()));
}

TEST(WallpaperFolderSafety, APlantedLinkIsReplacedNotWrittenThroughAndRelativeFoldersBecomeAbsolute)
{
    const test::ScratchFolder scratch;
    fs::create_directories(scratch.path / "dotfiles");
    test::writeBytes(scratch.path / "dotfiles" / "listing.xml", "the user's own file");
    fs::create_directories(scratch.path / "data" / "gnome-background-properties");
    fs::create_symlink(
        scratch.path / "dotfiles" / "listing.xml", scratch.path / "data" / "gnome-background-properties" / "Day.xml");
    const auto written
        = writeGnomeWallpaper(timedSource("Day", 40), {}, userGnomeFolders(scratch.path / "data", "Day"));
    ASSERT_TRUE(written) << written.error().text;
    EXPECT_EQ(test::readBytes(scratch.path / "dotfiles" / "listing.xml"), "the user's own file");
    EXPECT_FALSE(fs::is_symlink(written.value().propertiesFile));
    EXPECT_NE(test::readBytes(written.value().propertiesFile).find("<wallpaper"), std::string::npos);

    // An existing folder, even ".", is written into, with paths the desktop can find from anywhere.
    const fs::path before = fs::current_path();
    fs::current_path(scratch.path);
    const auto here = writeGnomeWallpaper(timedSource("Here", 40), {}, gnomeFoldersInside(".", "Here"));
    fs::current_path(before);
    ASSERT_TRUE(here) << here.error().text;
    EXPECT_EQ(here.value().picture, scratch.path / "Here" / "Here.xml");
    const std::string xml = test::readBytes(here.value().picture);
    EXPECT_NE(xml.find("<file>" + (scratch.path / "Here").string() + "/"), std::string::npos) << xml;
    EXPECT_EQ(xml.find("<file>./"), std::string::npos) << xml;
}

} // namespace
} // namespace tl
