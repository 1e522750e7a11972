#include "platform/FileReplacement.h"

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

} // namespace
} // namespace tl
