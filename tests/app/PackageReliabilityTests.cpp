#include "app/PackageFileNames.h"
#include "platform/FileReplacement.h"
#include "platform/Text.h"
#include "support/ConstrainedDisk.h"
#include "support/ProjectFixture.h"

#include <gmock/gmock.h>
#include <opencv2/imgcodecs.hpp>

#include <sys/stat.h>

namespace tl {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::readText;
using testing::writeTestImage;
using testing::writeText;

std::string recordNaming(const std::vector<std::string>& names)
{
    std::string images;
    for (const auto& name : names) {
        images += std::string(images.empty() ? "" : ",") + R"({"id":")" + Uuid::random().text() + R"(","fileName":")"
            + name + R"(","isTween":false})";
    }
    return R"({"version":"1.0","mode":"time","images":[)" + images + "]}";
}

class PackageReliabilityTest : public testing::ProjectTest {
protected:
    void save(const fs::path& package) { ASSERT_TRUE(saveProject(package)); }

    std::string expectLoadFailed(const fs::path& package)
    {
        dialogs.answerAlert(0);
        EXPECT_FALSE(projectIO.loadProject(package, state).ok());
        if (dialogs.alerts.empty()) return {};
        EXPECT_EQ(dialogs.alerts.back().message, "Load Failed");
        return dialogs.alerts.back().informativeText;
    }
};

TEST_F(PackageReliabilityTest, ALinkedImagesFolderCountsAsNoneAndIsNeverWrittenThrough)
{
    const auto elsewhere = folder("elsewhere");
    writeTestImage(elsewhere / "dawn.png");
    const auto elsewhereBytes = readText(elsewhere / "dawn.png");
    const struct {
        const char* name;
        fs::path target;
        std::string frame;
    } cases[] = {
        { "a folder outside", elsewhere, "dawn.png" },
        { "/etc", "/etc", "passwd" },
        { "the root", "/", "etc" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto package = folder(std::string("Linked ") + c.name + ".vorrind");
        writeText(package / "project.json", recordNaming({ c.frame }));
        fs::create_directory_symlink(c.target, package / "images");

        dialogs.answerAlert(0);
        ASSERT_TRUE(projectIO.loadProject(package, state).ok());
        EXPECT_EQ(dialogs.alerts.back().message, "Missing Images");
        EXPECT_EQ(dialogs.alerts.back().informativeText, "The following images could not be found:\n\n" + c.frame);
        EXPECT_FALSE(state.images.get().at(0).sourcePath);

        // Save As takes nothing from behind the link; saving in place gives the package a real folder.
        state.isDirty = true;
        const auto copy = folder(std::string("Copy of ") + c.name + ".vorrind");
        save(copy);
        EXPECT_TRUE(fs::is_empty(copy / "images"));
        save(package);
        EXPECT_FALSE(fs::is_symlink(package / "images"));
        EXPECT_TRUE(fs::is_directory(package / "images"));
    }
    EXPECT_EQ(readText(elsewhere / "dawn.png"), elsewhereBytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere), fs::directory_iterator()), 1);
}

TEST_F(PackageReliabilityTest, HostileRecordsGetAClearError)
{
    std::vector<std::string> crowd(100'000, "one.png");
    const auto crowded = folder("Crowded.vorrind");
    writeTestImage(crowded / "images/one.png");
    writeText(crowded / "project.json", recordNaming(crowd));
    EXPECT_THAT(expectLoadFailed(crowded), HasSubstr("at most 10000 entries"));

    const auto deep = folder("Deep.vorrind");
    writeText(deep / "project.json", std::string(8'000'000, '['));
    EXPECT_THAT(expectLoadFailed(deep), HasSubstr("nests deeper than 64 levels"));
}

TEST_F(PackageReliabilityTest, OnlyRegularRecordsAreRead)
{
    const auto fifo = folder("Fifo.vorrind");
    fs::create_directories(fifo);
    ASSERT_EQ(::mkfifo((fifo / "project.json").c_str(), 0600), 0);
    EXPECT_THAT(expectLoadFailed(fifo), HasSubstr("not a regular file"));

    const auto device = folder("Device.vorrind");
    fs::create_directories(device);
    fs::create_symlink("/dev/zero", device / "project.json");
    EXPECT_THAT(expectLoadFailed(device), HasSubstr("not a regular file"));
}

TEST_F(PackageReliabilityTest, AFileLeftByADeletedFrameKeepsItsPictureWhenANewFrameTakesItsName)
{
    importImages({ "view.png" }, "first");
    const auto package = folder("P.vorrind");
    save(package);
    const auto original = readText(package / "images/view.png");

    state.deleteImage(state.images.get()[0].id);
    endEvent();
    state.addImage(writeTestImage(folder("second/view.png"), 40, 20, 7));
    endEvent();
    save(package);
    EXPECT_EQ(readText(package / "images/view.png"), original);
    EXPECT_EQ(state.images.get()[0].fileName, "view-2.png");

    undo->undo();
    undo->undo();
    ASSERT_EQ(state.images.get().size(), 1u);
    EXPECT_EQ(state.images.get()[0].fileName, "view.png");
    EXPECT_EQ(readText(*state.images.get()[0].sourcePath), original);
}

TEST_F(PackageReliabilityTest, SavingSweepsOnlyTemporariesLeftLongAgoAndHandlesTheLongestNames)
{
    const std::string longName = std::string(250, 'l') + ".png";
    importImages({ longName, "short.png" });
    const auto package = folder("P.vorrind");
    save(package);

    const auto longAgo = fs::file_time_type::clock::now() - staleTemporaryAge - std::chrono::seconds(1);
    const auto temporary
        = [](const std::string& ending) { return ".tidelumine-" + Uuid::random().text() + ".tmp" + ending; };
    const std::vector<fs::path> stale { package / "images" / (".short.tmp-" + Uuid::random().text() + ".png"),
        package / "images" / temporary(".png"), package / temporary(".json") };
    // Another instance may be writing these right now.
    const std::vector<fs::path> young { package / "images" / temporary(".png"), package / temporary(".json") };
    for (const auto& file : stale) {
        writeText(file, "left by a killed save");
        fs::last_write_time(file, longAgo);
    }
    for (const auto& file : young)
        writeText(file, "being written");
    writeText(package / "images/.notes.tmp", "the user's own");

    state.isDirty = true;
    save(package);
    EXPECT_TRUE(fs::exists(package / "images" / longName));
    for (const auto& file : stale)
        EXPECT_FALSE(fs::exists(file)) << file;
    for (const auto& file : young)
        EXPECT_EQ(readText(file), "being written") << file;
    EXPECT_EQ(readText(package / "images/.notes.tmp"), "the user's own");
}

TEST_F(PackageReliabilityTest, AFullDiskSaysSoAndKeepsTheOldRecord)
{
    testing::SmallDisk disk(64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    const auto package = disk.path() / "P.vorrind";
    save(package);
    const auto record = readText(package / "project.json");

    for (int i = 0; i < 40; ++i) {
        state.addImage(WallpaperImage { .id = Uuid::random(), .fileName = std::string(200, 'f') + std::to_string(i) });
        endEvent();
    }
    writeText(disk.path() / "filler", std::string(256 * 1024, 'x'));
    dialogs.answerAlert(0);
    EXPECT_FALSE(saveProject(package));
    EXPECT_THAT(dialogs.alerts.back().informativeText, HasSubstr("No space left on device"));
    EXPECT_EQ(readText(package / "project.json"), record);
}

TEST_F(PackageReliabilityTest, LongNamesAreShortenedToFitAtACharacterBoundary)
{
    const auto repeat = [](const std::string& piece, std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i)
            text += piece;
        return text;
    };
    const struct {
        const char* what;
        std::string name;
        std::string planned;
        std::string second;
    } cases[] = {
        { "255 ASCII bytes", std::string(251, 'a') + ".png", std::string(251, 'a') + ".png",
            std::string(249, 'a') + "-2.png" },
        { "three-byte characters, no ending", repeat("日", 85), repeat("日", 85), repeat("日", 84) + "-2" },
        { "two-byte characters", repeat("é", 125) + ".png", repeat("é", 125) + ".png", repeat("é", 124) + "-2.png" },
        { "four-byte characters that still fit", repeat("🌅", 62) + ".jpeg", repeat("🌅", 62) + ".jpeg",
            repeat("🌅", 62) + "-2.jpeg" },
        { "an ending that fills the name", "a." + std::string(253, 'e'), "a." + std::string(253, 'e'),
            "a." + std::string(251, 'e') + "-2" },
        { "a recorded name too long for any folder", std::string(300, 'r') + ".png", std::string(251, 'r') + ".png",
            std::string(249, 'r') + "-2.png" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<WallpaperImage> frames {
            WallpaperImage { .id = Uuid::random(), .fileName = c.name, .sourcePath = folder("one/x.png").string() },
            WallpaperImage { .id = Uuid::random(), .fileName = c.name, .sourcePath = folder("two/x.png").string() },
        };
        const auto names = planPackageFileNames(frames, folder("none"));
        EXPECT_EQ(names, (std::vector { c.planned, c.second }));
        for (const auto& name : names) {
            EXPECT_LE(name.size(), 255u);
            EXPECT_TRUE(isValidUtf8(name));
        }
    }
    // Bytes that are not UTF-8 grow threefold as U+FFFD; the name still fits.
    EXPECT_EQ(packageFileName(folder(std::string(200, '\xFF'))), repeat("\uFFFD", 85));

    // Two pictures of the longest name from two folders are saved and open again.
    importImages({ std::string(251, 'l') + ".png" }, "first");
    importImages({ std::string(251, 'l') + ".png" }, "second");
    const auto package = folder("Long.vorrind");
    save(package);
    EXPECT_TRUE(projectIO.loadProject(package, state).ok()) << "and no alert: every frame is found";
    ASSERT_EQ(state.images.get().size(), 2u);
    EXPECT_EQ(state.images.get()[1].fileName, std::string(249, 'l') + "-2.png");
    EXPECT_TRUE(state.images.get()[1].sourcePath);

    // A package of the longest name is built beside under a short one and renamed to it.
    const auto longestPackage = folder(std::string(247, 'p') + ".vorrind");
    save(longestPackage);
    EXPECT_TRUE(readPackage(longestPackage).ok());
}

TEST_F(PackageReliabilityTest, ControlCharactersInNamesAreSpelledOut)
{
    const auto package = folder("P.vorrind");
    writeText(package / "project.json", recordNaming({ "evil\\nline\\u001b[2J\\u0085\\u202egnp.exe" }));
    dialogs.answerAlert(0);
    ASSERT_TRUE(projectIO.loadProject(package, state).ok());
    const std::string shown = "evil\\nline\\x1B[2J\\u0085\\u202Egnp.exe";
    EXPECT_EQ(dialogs.alerts.back().informativeText, "The following images could not be found:\n\n" + shown);
    EXPECT_TRUE(logs.contains("ERROR: Image file not found: " + (package / "images").string() + "/" + shown));
}

} // namespace
} // namespace tl
