#include "platform/FileReplacement.h"

#include "support/ConstrainedDisk.h"
#include "support/TestImageFiles.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::writeBytes;

std::size_t entryCount(const fs::path& folder)
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator {}));
}

TEST(FileReplacementTest, WritesBesideTheTargetWithItsEndingThenReplacesItWhole)
{
    test::ScratchFolder scratch;
    const fs::path target = scratch.path / "frame.png";
    writeBytes(target, "an older, longer file that must not survive in part");
    fs::path used;
    const auto error = replaceFileThroughTemporary(target, [&](const fs::path& temporary) {
        used = temporary;
        EXPECT_FALSE(fs::exists(temporary));
        writeBytes(temporary, "new");
        EXPECT_EQ(readBytes(target), "an older, longer file that must not survive in part");
        return std::error_code();
    });
    EXPECT_FALSE(error);
    EXPECT_EQ(used.parent_path(), target.parent_path());
    EXPECT_EQ(used.extension(), ".png");
    EXPECT_NE(used.filename().string().find(".tmp"), std::string::npos);
    EXPECT_EQ(readBytes(target), "new");
    EXPECT_EQ(entryCount(scratch.path), 1u);
}

TEST(FileReplacementTest, FailuresKeepTheOldFileAndLeaveNoTemporary)
{
    const auto failedWrite = std::make_error_code(std::errc::no_space_on_device);
    struct Case {
        const char* name;
        bool targetIsFolder;
        bool writerFails;
    };
    for (const Case& c : { Case { "writer fails", false, true }, Case { "rename fails", true, false } }) {
        test::ScratchFolder scratch;
        const fs::path target = scratch.path / "project.json";
        if (c.targetIsFolder) {
            // A file cannot be renamed over a folder.
            fs::create_directory(target);
            writeBytes(target / "inside", "kept");
        } else {
            writeBytes(target, "old");
        }
        const auto error = replaceFileThroughTemporary(target, [&](const fs::path& temporary) {
            writeBytes(temporary, "partial");
            return c.writerFails ? failedWrite : std::error_code();
        });
        ASSERT_TRUE(error) << c.name;
        if (c.writerFails) {
            EXPECT_EQ(error, failedWrite) << c.name;
        }
        const fs::path kept = c.targetIsFolder ? target / "inside" : target;
        EXPECT_EQ(readBytes(kept), c.targetIsFolder ? "kept" : "old") << c.name;
        EXPECT_EQ(entryCount(scratch.path), 1u) << c.name;
    }
}

TEST(FileReplacementTest, EveryNameTheFileSystemAcceptsCanBeWritten)
{
    test::ScratchFolder scratch;
    for (const std::string& name :
        { std::string(251, 'n') + ".png", std::string(255, 'x'), "a." + std::string(253, 'e') }) {
        const fs::path target = scratch.path / name;
        const auto error = replaceFileThroughTemporary(target, [](const fs::path& temporary) {
            EXPECT_LE(temporary.filename().string().size(), 80u);
            writeBytes(temporary, "whole");
            return std::error_code();
        });
        EXPECT_FALSE(error) << name.size() << " bytes: " << error.message();
        EXPECT_EQ(readBytes(target), "whole");
    }
}

TEST(FileReplacementTest, DurableWritesReportAFileCutShort)
{
    test::ScratchFolder scratch;
    const std::string bytes(256 * 1024, 'h');
    {
        const testing::FileSizeLimit limit(64 * 1024);
        EXPECT_EQ(writeFileDurably(scratch.path / "cut.heic", bytes), std::errc::file_too_large);
    }
    testing::SmallDisk disk(128 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    const auto full = writeFileDurably(disk.path() / "full.heic", bytes);
    EXPECT_EQ(full, std::errc::no_space_on_device);
    EXPECT_EQ(full.message(), "No space left on device");
    fs::remove(disk.path() / "full.heic");
    EXPECT_FALSE(writeFileDurably(disk.path() / "fits.json", "{}"));
    EXPECT_EQ(readBytes(disk.path() / "fits.json"), "{}");
}

TEST(FileReplacementTest, StaleTemporariesGoOtherFilesStay)
{
    test::ScratchFolder scratch;
    const std::string uuid = Uuid::random().text();
    const std::vector<std::string> ours { ".tidelumine-" + uuid + ".tmp.png", ".tidelumine-" + uuid + ".tmp",
        ".dawn.tmp-" + uuid + ".png", ".my.photo.tmp-" + uuid };
    const std::vector<std::string> theirs { ".tidelumine-" + uuid + ".tmpx", ".dawn.tmp-1234.png", "dawn.png",
        ".tidelumine-not-a-uuid.tmp", "x.tmp-" + uuid + ".png" };
    const auto longAgo = fs::file_time_type::clock::now() - staleTemporaryAge - std::chrono::seconds(1);
    for (const auto& name : ours) {
        writeBytes(scratch.path / name, "left by a killed save");
        fs::last_write_time(scratch.path / name, longAgo);
    }
    for (const auto& name : theirs) {
        writeBytes(scratch.path / name, "keep");
        fs::last_write_time(scratch.path / name, longAgo);
    }
    // Another process may still be writing a young one.
    const std::string young = ".tidelumine-" + Uuid::random().text() + ".tmp.png";
    writeBytes(scratch.path / young, "being written");
    fs::create_directory(scratch.path / (".folder.tmp-" + uuid));

    removeStaleReplacementTemporaries(scratch.path);
    for (const auto& name : ours)
        EXPECT_FALSE(fs::exists(scratch.path / name)) << name;
    for (const auto& name : theirs)
        EXPECT_EQ(readBytes(scratch.path / name), "keep") << name;
    EXPECT_EQ(readBytes(scratch.path / young), "being written");
    EXPECT_TRUE(fs::is_directory(scratch.path / (".folder.tmp-" + uuid)));
}

} // namespace
} // namespace tl
