#include "engine/CodedFrameFile.h"
#include "support/ConstrainedDisk.h"
#include "support/TestImageFiles.h"

#include <gtest/gtest.h>

#include <latch>
#include <thread>

namespace tl {
namespace {

HevcCodedImage codedFrame(int seed, std::size_t unitBytes)
{
    HevcCodedImage image { 640 + seed, 360, 640 + seed, 368, {} };
    for (int unit = 0; unit < 5; ++unit) {
        std::string bytes(unitBytes + static_cast<std::size_t>(unit), '\0');
        for (std::size_t at = 0; at < bytes.size(); ++at)
            bytes[at] = static_cast<char>((at * 31 + static_cast<std::size_t>(seed * 7 + unit)) & 0xff);
        image.units.push_back(bytes);
    }
    return image;
}

// Two workers store their frames at once; each comes back whole, and the folder never shows a file.
TEST(CodedFrameFile, FramesStoredAtOnceComeBackWholeAndLeaveNoFileBehind)
{
    test::ScratchFolder folder;
    auto file = CodedFrameFile::createIn(folder.path);
    ASSERT_TRUE(file);
    std::vector<HevcCodedImage> frames;
    for (int seed = 0; seed < 8; ++seed)
        frames.push_back(codedFrame(seed, 40000));
    std::vector<CodedFrameFile::Stored> stored(frames.size());
    std::vector<std::thread> workers;
    for (std::size_t first : { 0u, 1u })
        workers.emplace_back([&, first] {
            for (std::size_t index = first; index < frames.size(); index += 2)
                stored[index] = std::get<CodedFrameFile::Stored>(file->store(frames[index]));
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_TRUE(std::filesystem::is_empty(folder.path));

    for (std::size_t index = 0; index < frames.size(); ++index) {
        const auto back = file->load(stored[index]);
        ASSERT_TRUE(std::holds_alternative<HevcCodedImage>(back)) << "frame " << index;
        const auto& image = std::get<HevcCodedImage>(back);
        EXPECT_TRUE(image.units == frames[index].units) << "frame " << index;
        EXPECT_EQ(image.width, frames[index].width);
        EXPECT_EQ(image.codedHeight, frames[index].codedHeight);
    }
    file.reset();
    EXPECT_TRUE(std::filesystem::is_empty(folder.path));
}

// Many small frames stored at once from many threads, released together: each must get a stretch
// of its own, so every frame comes back with its own bytes.
TEST(CodedFrameFile, FramesStoredByManyThreadsEachGetTheirOwnStretch)
{
    test::ScratchFolder folder;
    auto file = CodedFrameFile::createIn(folder.path);
    ASSERT_TRUE(file);
    constexpr int threads = 16, framesEach = 1500;
    std::vector<HevcCodedImage> frames;
    for (int seed = 0; seed < threads * framesEach; ++seed)
        frames.push_back(codedFrame(seed, 3));
    std::vector<CodedFrameFile::Stored> stored(frames.size());
    std::latch start(threads);
    std::vector<std::thread> workers;
    for (int first = 0; first < threads; ++first)
        workers.emplace_back([&, first] {
            start.arrive_and_wait();
            for (std::size_t index = static_cast<std::size_t>(first); index < frames.size(); index += threads)
                stored[index] = std::get<CodedFrameFile::Stored>(file->store(frames[index]));
        });
    for (auto& worker : workers)
        worker.join();
    for (std::size_t index = 0; index < frames.size(); ++index) {
        const auto back = file->load(stored[index]);
        ASSERT_TRUE(std::holds_alternative<HevcCodedImage>(back)) << "frame " << index;
        ASSERT_TRUE(std::get<HevcCodedImage>(back).units == frames[index].units) << "frame " << index;
    }
}

TEST(CodedFrameFile, AFrameCutShortByTheFileEndIsAnError)
{
    test::ScratchFolder folder;
    auto file = CodedFrameFile::createIn(folder.path);
    ASSERT_TRUE(file);
    auto stored = std::get<CodedFrameFile::Stored>(file->store(codedFrame(1, 100)));
    stored.length += 8; // what the file holds past it would read as two empty units
    const auto back = file->load(stored);
    ASSERT_TRUE(std::holds_alternative<std::error_code>(back));
    EXPECT_EQ(std::get<std::error_code>(back), std::make_error_code(std::errc::io_error));
}

TEST(CodedFrameFile, AFullDiskIsReportedNotTakenForAStoredFrame)
{
    testing::SmallDisk disk(64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small disk here";
    auto file = CodedFrameFile::createIn(disk.path());
    ASSERT_TRUE(file);
    const auto stored = file->store(codedFrame(1, 100000));
    ASSERT_TRUE(std::holds_alternative<std::error_code>(stored));
    EXPECT_EQ(std::get<std::error_code>(stored), std::errc::no_space_on_device);
}

} // namespace
} // namespace tl
