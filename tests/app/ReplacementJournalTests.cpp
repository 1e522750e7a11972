#include "app/ProjectPackageReplacement.h"
#include "platform/FileLock.h"
#include "platform/FileReplacement.h"
#include "support/PackageFolders.h"
#include "support/ProjectFixture.h"

#include <gmock/gmock.h>

#include <cinttypes>
#include <cstdio>

namespace tl {
namespace {

namespace fs = std::filesystem;
using testing::entriesOf;
using testing::readText;
using testing::SwaplessFileSystem;
using testing::writeText;

constexpr std::string_view leftAlone = "Left alone a replacement journal";

std::string leftoverName(std::string_view mark)
{
    return ".tidelumine-" + Uuid::random().text() + std::string(mark);
}

// A journal as the writer lays it out, its checksum right or spoilt.
std::string journalText(const std::vector<std::string>& names, bool rightChecksum = true)
{
    std::string text = "Tidelumine replacement journal 1\n";
    for (const auto& name : names)
        text += name + '\0';
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char byte : text)
        hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ULL;
    char digits[18];
    std::snprintf(digits, sizeof digits, "%016" PRIx64 "\n", rightChecksum ? hash : hash + 1);
    return text + digits;
}

class ReplacementJournalTest : public testing::ProjectTest {
protected:
    void writePackage(const fs::path& folder, const std::string& frame)
    {
        testing::writeTestImage(folder / "images" / frame);
        writeText(folder / "project.json",
            R"({"version":"1.0","mode":"time","images":[{"id":")" + Uuid::random().text() + R"(","fileName":")" + frame
                + R"(","isTween":false}]})");
    }

    // Replaces `package` on a file system without a swap where both renames onto it fail: the
    // save fails and leaves the old package aside, the new build and their journal.
    void failToReplace(const std::string& newFrame)
    {
        SwaplessFileSystem failing;
        failing.failRenamesOnto(package);
        state.currentProjectPath = std::nullopt;
        state.images.set({});
        importImages({ newFrame });
        dialogs.answerAlert(0);
        EXPECT_FALSE(saveProject(package));
        ASSERT_FALSE(dialogs.alerts.empty());
        EXPECT_EQ(dialogs.alerts.back().message, "Save Failed");
    }

    const fs::path parent = folder("Saves");
    const fs::path package = parent / "Dawn.vorrind";

    // The package saved once, then a replacement of it left halfway by failing renames.
    void leaveReplacementHalfway()
    {
        importImages({ "old.png" });
        ASSERT_TRUE(saveProject(package));
        failToReplace("new.png");
    }

    std::vector<std::string> leftoversIn(const fs::path& folder, std::string_view mark)
    {
        std::vector<std::string> found;
        for (const auto& name : entriesOf(folder))
            if (name.ends_with(mark)) found.push_back(name);
        return found;
    }
};

// Journals found in a folder that this program did not write as they are, or that name anything
// but its own packages, builds and asides: opening or saving any package there moves nothing.
TEST_F(ReplacementJournalTest, AJournalItDidNotWriteMovesAndRemovesNothing)
{
    const std::string build = ".tidelumine-" + Uuid::random().text() + ".tmp.vorrind";
    const std::string aside = leftoverName(".replaced");
    fs::create_directories(parent / "Photos");
    writeText(parent / "Photos" / "holiday.jpg", "a holiday");
    writePackage(parent / build, "planted.png");
    writePackage(parent / "Dawn.vorrind", "dawn.png");
    writeText(parent / "notes.vorrind", "a file");
    fs::create_directory_symlink(parent / "Photos", parent / "Linked.vorrind");
    const std::string plantedBuild = ".tidelumine-" + Uuid::random().text() + ".tmp.vorrind";
    fs::create_directories(parent / plantedBuild / "images");

    const struct {
        const char* what;
        std::string journal;
    } cases[] = {
        { "an earlier layout", std::string("Photos\0", 7) + build + '\0' + aside + '\0' },
        { "a folder that is no package", journalText({ "Photos", build, aside }) },
        { "a file", journalText({ "notes.vorrind", build, aside }) },
        { "a link", journalText({ "Linked.vorrind", build, aside }) },
        { "the folder above", journalText({ "..", build, aside }) },
        { "an absolute path", journalText({ (parent / "Dawn.vorrind").string(), build, aside }) },
        { "a build of another's name", journalText({ "Dawn.vorrind", "Photos", aside }) },
        { "a build that holds no record", journalText({ "Dawn.vorrind", plantedBuild, aside }) },
        { "an aside of another's name", journalText({ "Dawn.vorrind", build, "Photos" }) },
        { "a spoilt checksum", journalText({ "Dawn.vorrind", build, aside }, false) },
        { "too few names", journalText({ "Dawn.vorrind", build }) },
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        const auto journal = parent / leftoverName(".replacing");
        writeText(journal, row.journal);
        const auto before = entriesOf(parent);
        const auto dawnRecord = readText(parent / "Dawn.vorrind" / "project.json");

        EXPECT_FALSE(readPackage(parent / "Missing.vorrind").ok());
        ASSERT_TRUE(readPackage(parent / "Dawn.vorrind").ok());
        removeStalePackageBuilds(parent);

        EXPECT_EQ(entriesOf(parent), before);
        EXPECT_EQ(readText(parent / "Photos" / "holiday.jpg"), "a holiday");
        EXPECT_EQ(entriesOf(parent / "Photos"), std::vector<std::string> { "holiday.jpg" });
        EXPECT_EQ(readText(parent / "Dawn.vorrind" / "project.json"), dawnRecord);
        EXPECT_TRUE(fs::exists(parent / build / "images" / "planted.png"));
        EXPECT_TRUE(logs.anyStartsWith(std::string(leftAlone)));
        fs::remove(journal);
    }
}

// Both renames onto the package fail: the save says so, deletes neither copy, and the next open
// there completes the replacement with the newer one.
TEST_F(ReplacementJournalTest, AFailedRestoreKeepsBothCopiesForTheNextOpenToSettle)
{
    leaveReplacementHalfway();

    EXPECT_FALSE(fs::exists(package));
    ASSERT_EQ(leftoversIn(parent, ".replacing").size(), 1u);
    const auto asides = leftoversIn(parent, ".replaced");
    const auto builds = leftoversIn(parent, ".tmp.vorrind");
    ASSERT_EQ(asides.size(), 1u);
    ASSERT_EQ(builds.size(), 1u);
    EXPECT_TRUE(fs::exists(parent / asides[0] / "images" / "old.png"));
    EXPECT_TRUE(fs::exists(parent / builds[0] / "images" / "new.png"));

    const auto opened = readPackage(package);
    ASSERT_TRUE(opened.ok()) << opened.error().description;
    ASSERT_EQ(opened.value().project.images.size(), 1u);
    EXPECT_EQ(opened.value().project.images[0].fileName, "new.png");
    EXPECT_EQ(entriesOf(parent), std::vector<std::string> { "Dawn.vorrind" });
}

// A replacement whose build another instance still holds is not touched until it lets go.
TEST_F(ReplacementJournalTest, AReplacementStillLockedIsLeftUntilItsWriterLetsGo)
{
    leaveReplacementHalfway();
    const auto left = entriesOf(parent);
    {
        const ExclusiveFileLock writer(parent / leftoversIn(parent, ".tmp.vorrind").at(0) / packageLockName);
        ASSERT_TRUE(writer.held());
        EXPECT_FALSE(readPackage(package).ok());
        EXPECT_EQ(entriesOf(parent), left);
    }
    EXPECT_TRUE(readPackage(package).ok());
    EXPECT_EQ(entriesOf(parent), std::vector<std::string> { "Dawn.vorrind" });
}

// The sweep of builds a killed Save As left removes only old, unlocked builds that no journal awaits.
TEST_F(ReplacementJournalTest, TheSweepRemovesOnlyOldUnlockedBuildsNoJournalAwaits)
{
    leaveReplacementHalfway();
    const auto awaited = entriesOf(parent);

    const auto build = [&](const std::string& frame) {
        const std::string name = ".tidelumine-" + Uuid::random().text() + ".tmp.vorrind";
        writePackage(parent / name, frame);
        return name;
    };
    const auto killedLongAgo = build("killed.png");
    const auto lockedLongAgo = build("locked.png");
    const auto young = build("young.png");
    {
        // Locked first: making its lock file touches the build.
        const ExclusiveFileLock stillBuilding(parent / lockedLongAgo / packageLockName);
        const auto longAgo = fs::file_time_type::clock::now() - staleTemporaryAge - std::chrono::seconds(1);
        for (const auto& name : entriesOf(parent))
            if (name != young) fs::last_write_time(parent / name, longAgo);
        removeStalePackageBuilds(parent);
    }
    auto expected = awaited;
    expected.push_back(lockedLongAgo);
    expected.push_back(young);
    std::ranges::sort(expected);
    EXPECT_EQ(entriesOf(parent), expected);
    EXPECT_FALSE(fs::exists(parent / killedLongAgo));
}

// The journal reaches the disk before the first rename it explains; when it cannot, nothing moves.
TEST_F(ReplacementJournalTest, TheJournalIsFlushedBeforeTheFirstRenameOrNothingMoves)
{
    importImages({ "old.png" });
    ASSERT_TRUE(saveProject(package));
    const auto record = readText(package / "project.json");

    const SwaplessFileSystem swapless;
    auto& calls = package_detail::replacementCalls();
    std::vector<std::string> steps;
    const auto rename = calls.rename;
    calls.rename = [&](const fs::path& from, const fs::path& to, unsigned flags) {
        if (flags == 0) steps.push_back("rename " + to.filename().string());
        return rename(from, to, flags);
    };
    bool flushFails = true;
    calls.sync = [&](const fs::path& path) {
        const bool journalThere = !leftoversIn(parent, ".replacing").empty();
        if (path == parent && journalThere) steps.push_back("flush with journal");
        return flushFails ? std::make_error_code(std::errc::io_error) : syncFile(path);
    };
    state.currentProjectPath = std::nullopt;
    importImages({ "new.png" });
    dialogs.answerAlert(0);
    EXPECT_FALSE(saveProject(package));
    EXPECT_EQ(steps, std::vector<std::string> { "flush with journal" });
    EXPECT_EQ(readText(package / "project.json"), record);
    EXPECT_EQ(entriesOf(parent), std::vector<std::string> { "Dawn.vorrind" });

    steps.clear();
    flushFails = false;
    state.currentProjectPath = std::nullopt;
    ASSERT_TRUE(saveProject(package));
    ASSERT_GE(steps.size(), 2u);
    EXPECT_EQ(steps[0], "flush with journal");
    EXPECT_TRUE(steps[1].starts_with("rename .tidelumine-") && steps[1].ends_with(".replaced")) << steps[1];
}

} // namespace
} // namespace tl
