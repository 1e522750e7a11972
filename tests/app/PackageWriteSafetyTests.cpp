#include "app/PackageFrameLedger.h"
#include "app/PackageOpenLock.h"
#include "app/ProjectPackageReplacement.h"
#include "platform/FileLock.h"
#include "platform/FileReplacement.h"
#include "support/ConstrainedDisk.h"
#include "support/PackageFolders.h"
#include "support/ProjectFixture.h"

#include <gmock/gmock.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <iostream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tl {
namespace {

namespace fs = std::filesystem;
using testing::entriesOf;
using ::testing::HasSubstr;
using testing::readText;
using testing::SwaplessFileSystem;
using testing::writeText;

constexpr std::string_view heldElsewhere = "is being saved by another instance of Tidelumine";

// A picture of noise: its file is large (about 770 kB), so copying it takes a moment.
fs::path writeNoisyImage(const fs::path& file)
{
    fs::create_directories(file.parent_path());
    cv::Mat pixels(400, 640, CV_8UC3);
    cv::randu(pixels, cv::Scalar::all(0), cv::Scalar::all(255));
    cv::imwrite(file.string(), pixels);
    return file;
}

// Frame files copied so far into the "images" folder of every package and package build in `folder`.
std::size_t framesCopiedUnder(const fs::path& folder)
{
    std::size_t count = 0;
    for (const auto& package : entriesOf(folder)) {
        for (const auto& name : entriesOf(folder / package / "images"))
            count += isReplacementTemporaryName(name) ? 0 : 1;
    }
    return count;
}

// Exit status of a child that ran to its end, or -1 for one that was killed.
int waitForChild(pid_t child)
{
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PackageWriteSafetyTest : public testing::ProjectTest {
protected:
    void save(const fs::path& package) { ASSERT_TRUE(saveProject(package)); }

    std::string expectSaveFailed(const fs::path& package)
    {
        dialogs.answerAlert(0);
        EXPECT_FALSE(saveProject(package));
        if (dialogs.alerts.empty()) return {};
        EXPECT_EQ(dialogs.alerts.back().message, "Save Failed");
        return dialogs.alerts.back().informativeText;
    }

    std::vector<std::string> sourcePaths() const
    {
        std::vector<std::string> paths;
        for (const auto& image : state.images.get())
            paths.push_back(image.sourcePath.value_or("<none>"));
        return paths;
    }

    void addNoisyFrames(std::size_t count, const std::string& sourceFolder)
    {
        for (std::size_t i = 0; i < count; ++i)
            state.addImage(writeNoisyImage(folder(sourceFolder) / ("frame" + std::to_string(i) + ".png")));
        endEvent();
    }
};

TEST_F(PackageWriteSafetyTest, AFullOrReadOnlyDiskNamesTheFrameItCouldNotWriteAndKeepsNoCopy)
{
    testing::SmallDisk disk(1024 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    importImages({ "small.png" });
    const auto package = disk.path() / "P.vorrind";
    save(package);
    const auto record = readText(package / "project.json");
    addNoisyFrames(3, "big");
    const auto sourcesBefore = sourcePaths();

    // The first large frame fits, the second fills the disk.
    const auto full = expectSaveFailed(package);
    EXPECT_EQ(
        full, "Could not save project: “" + (package / "images/frame1.png").string() + "”: No space left on device");
    EXPECT_EQ(entriesOf(package / "images"), std::vector<std::string> { "small.png" }) << "frame0.png was removed";
    EXPECT_EQ(readText(package / "project.json"), record);
    EXPECT_EQ(sourcePaths(), sourcesBefore);
    EXPECT_TRUE(state.isDirty.get());

    ASSERT_TRUE(disk.makeReadOnly());
    const auto readOnly = expectSaveFailed(package);
    EXPECT_EQ(
        readOnly, "Could not save project: “" + (package / "images/frame0.png").string() + "”: Read-only file system");
    EXPECT_EQ(sourcePaths(), sourcesBefore);
}

TEST_F(PackageWriteSafetyTest, APackageMovedAwayWhileOpenLeavesNothingBehindWhenSaved)
{
    importImages({ "a.png", "b.png" });
    const auto package = folder("Moved.vorrind");
    save(package);
    const auto recent = state.recentProjects.get();
    fs::rename(package, folder("Elsewhere.vorrind"));
    state.isDirty = true;

    EXPECT_THAT(expectSaveFailed(package), HasSubstr("No such file or directory"));
    EXPECT_FALSE(fs::exists(package)) << "no shell of a record and an empty images folder";
    EXPECT_EQ(entriesOf(temp.path()), (std::vector<std::string> { "Elsewhere.vorrind", "sources" }));
    EXPECT_EQ(state.recentProjects.get(), recent);
    EXPECT_TRUE(state.isDirty.get());
}

TEST_F(PackageWriteSafetyTest, ASaveAsReplacesAPackageWholeAndNeverMergesIntoIt)
{
    const auto old = folder("Old.vorrind");
    writeText(old / "images", "a file where the folder should be");
    writeText(old / "notes.txt", "the old package's");
    importImages({ "a.png" });
    save(old);
    EXPECT_EQ(entriesOf(old),
        (std::vector<std::string> { std::string(packageFrameLedgerName), std::string(packageOpenLockName),
            std::string(packageLockName), "images", "project.json" }));
    EXPECT_EQ(entriesOf(old / "images"), std::vector<std::string> { "a.png" });
    EXPECT_EQ(entriesOf(temp.path()), (std::vector<std::string> { "Old.vorrind", "sources" }));
}

TEST_F(PackageWriteSafetyTest, AKilledSaveAsLeavesTheOldStateOrTheWholeNewPackage)
{
    const auto parent = folder("Saves");
    const auto old = parent / "Old.vorrind";
    importImages({ "old.png" }, "first");
    save(old);
    const auto oldRecord = readText(old / "project.json");
    const auto oldPicture = readText(old / "images/old.png");
    state.currentProjectPath = std::nullopt;
    constexpr std::size_t frameCount = 12;
    addNoisyFrames(frameCount, "noise");

    const auto opensWhole = [&](const fs::path& package) {
        const auto opened = readPackage(package);
        return opened.ok() && opened.value().missingFileNames.empty()
            && opened.value().project.images.size() == frameCount + 1;
    };
    // How many frames the save has copied when it is killed: none, one, half, all (record next).
    for (const auto& target : { parent / "New.vorrind", old }) {
        for (const std::size_t point : { std::size_t(0), std::size_t(1), frameCount / 2, frameCount }) {
            SCOPED_TRACE(target.filename().string() + " killed after " + std::to_string(point) + " frames");
            const std::size_t before = framesCopiedUnder(parent);
            const pid_t child = ::fork();
            if (child == 0) ::_exit(saveProject(target) ? 0 : 1);
            int status = 0;
            bool ended = false;
            while (!ended && framesCopiedUnder(parent) < before + point)
                ended = ::waitpid(child, &status, WNOHANG) == child;
            if (!ended) {
                ::kill(child, SIGKILL);
                waitForChild(child);
            }
            if (target == old) {
                const bool oldState
                    = readText(old / "project.json") == oldRecord && readText(old / "images/old.png") == oldPicture;
                EXPECT_TRUE(oldState || opensWhole(old));
            } else {
                EXPECT_TRUE(!fs::exists(target) || opensWhole(target));
            }
            for (const auto& name : entriesOf(parent))
                EXPECT_TRUE(name == "New.vorrind" || name == "Old.vorrind" || isReplacementTemporaryName(name)) << name;
        }
    }

    // Builds a killed Save As left behind go with a later save beside them, once they are old.
    const auto longAgo = fs::file_time_type::clock::now() - staleTemporaryAge - std::chrono::seconds(1);
    for (const auto& name : entriesOf(parent)) {
        if (isReplacementTemporaryName(name)) fs::last_write_time(parent / name, longAgo);
    }
    save(parent / "Last.vorrind");
    EXPECT_TRUE(opensWhole(parent / "Last.vorrind"));
    for (const auto& name : entriesOf(parent))
        EXPECT_FALSE(isReplacementTemporaryName(name)) << name;
}

TEST_F(PackageWriteSafetyTest, TwoInstancesSavingOnePackageTakeTurnsInsteadOfRacing)
{
    constexpr std::size_t frameCount = 8;
    addNoisyFrames(frameCount, "noise");
    const auto package = folder("Shared.vorrind");
    save(package);

    // Each instance has other pictures under the same names; the second copies them in the
    // opposite order, so two saves that overlap leave some frames of each.
    auto contents = packageContents(package, state);
    ASSERT_TRUE(contents.ok());
    const auto picturesOf = [&](const std::string& instance) {
        auto own = contents.value();
        for (auto& frame : own.frames)
            frame.source = writeNoisyImage(folder(instance) / frame.fileName);
        return own;
    };
    const auto first = picturesOf("first");
    auto second = picturesOf("second");
    std::ranges::reverse(second.frames);
    const auto saveOnceHeldOrNot = [](const PackageContents& own) {
        for (;;) {
            const auto outcome = writePackage(own);
            if (outcome.result.ok()) return 0;
            if (outcome.result.error().description.find(heldElsewhere) == std::string::npos) {
                std::cerr << outcome.result.error().description << '\n';
                return 1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };

    // The second instance starts saving once the first has put its first frame in place.
    const pid_t firstSaver = ::fork();
    if (firstSaver == 0) ::_exit(saveOnceHeldOrNot(first));
    const auto placedByFirst = [&, picture = readText(first.frames.front().source)] {
        return readText(package / "images" / first.frames.front().fileName) == picture;
    };
    int firstStatus = 0;
    bool firstEnded = false;
    while (!firstEnded && !placedByFirst())
        firstEnded = ::waitpid(firstSaver, &firstStatus, WNOHANG) == firstSaver;
    const pid_t secondSaver = ::fork();
    if (secondSaver == 0) ::_exit(saveOnceHeldOrNot(second));
    EXPECT_TRUE(firstEnded ? WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0 : waitForChild(firstSaver) == 0);
    EXPECT_EQ(waitForChild(secondSaver), 0);
    for (const auto& frame : second.frames)
        EXPECT_TRUE(readText(package / "images" / frame.fileName) == readText(frame.source)) << frame.fileName;
    const auto opened = readPackage(package);
    ASSERT_TRUE(opened.ok());
    EXPECT_TRUE(opened.value().missingFileNames.empty());

    // While another instance holds the package, saving there or replacing it says so and changes nothing.
    const auto record = readText(package / "project.json");
    {
        const ExclusiveFileLock otherInstance(package / packageLockName);
        ASSERT_TRUE(otherInstance.held());
        state.isDirty = true;
        EXPECT_EQ(expectSaveFailed(package),
            "Could not save project: “" + package.string() + "” " + std::string(heldElsewhere));
        state.currentProjectPath = folder("Other.vorrind");
        EXPECT_THAT(expectSaveFailed(package), HasSubstr(heldElsewhere));
        EXPECT_EQ(entriesOf(temp.path()), (std::vector<std::string> { "Shared.vorrind", "first", "noise", "second" }));
    }
    EXPECT_EQ(readText(package / "project.json"), record);
    save(package);
}

TEST_F(PackageWriteSafetyTest, AReplaceWithoutASwapLeavesNothingBesideAndAKilledOneIsCompletedByTheNextSaveOrOpen)
{
    const SwaplessFileSystem swapless;
    const auto parent = folder("Saves");
    const auto package = parent / "Dawn.vorrind";
    importImages({ "old.png" }, "first");
    save(package);
    const auto replaceWith = [&](const std::string& frame) {
        state.currentProjectPath = std::nullopt;
        importImages({ frame }, frame + "-sources");
        save(package);
    };
    replaceWith("second.png");
    EXPECT_EQ(entriesOf(parent), std::vector<std::string> { "Dawn.vorrind" });
    EXPECT_EQ(entriesOf(package / "images"), (std::vector<std::string> { "old.png", "second.png" }));

    const auto longAgo = fs::file_time_type::clock::now() - staleTemporaryAge - std::chrono::seconds(1);
    const auto killedReplacingWith = [&](const std::string& frame) {
        const pid_t child = ::fork();
        if (child == 0) {
            const SwaplessFileSystem killed(true);
            replaceWith(frame);
            ::_exit(1);
        }
        ASSERT_EQ(waitForChild(child), 0) << "the writer was not stopped between its renames";
        ASSERT_FALSE(fs::exists(package));
        // Left for long: a sweep of stale builds must still keep the new package.
        for (const auto& name : entriesOf(parent))
            fs::last_write_time(parent / name, longAgo);
    };
    const auto opensWhole = [&](const std::vector<std::string>& frames) {
        const auto opened = readPackage(package);
        ASSERT_TRUE(opened.ok()) << opened.error().description;
        EXPECT_TRUE(opened.value().missingFileNames.empty());
        EXPECT_EQ(entriesOf(package / "images"), frames);
        EXPECT_EQ(entriesOf(parent), std::vector<std::string> { "Dawn.vorrind" });
    };

    // The replacing instance's frames are its own: the package holds them once it is whole.
    killedReplacingWith("third.png");
    opensWhole({ "old.png", "second.png", "third.png" });

    killedReplacingWith("fourth.png");
    save(parent / "Dusk.vorrind");
    fs::remove_all(parent / "Dusk.vorrind");
    EXPECT_EQ(entriesOf(parent), std::vector<std::string> { "Dawn.vorrind" });
    opensWhole({ "fourth.png", "old.png", "second.png" });
}

} // namespace
} // namespace tl
