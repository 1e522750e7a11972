#include "model/ProjectCoding.h"
#include "platform/Image.h"
#include "support/ProjectFixture.h"
#include "support/TestImageFiles.h"

#include <gmock/gmock.h>

namespace tl {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::FileStamp;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::readText;
using testing::writeTestImage;
using testing::writeText;

class ProjectIOTest : public testing::ProjectTest {
protected:
    void save(const fs::path& package) { ASSERT_TRUE(saveProject(package)); }

    std::vector<std::string> sourcePaths() const
    {
        std::vector<std::string> paths;
        for (const auto& image : state.images.get())
            paths.push_back(image.sourcePath.value_or("<none>"));
        return paths;
    }

    void expectSaveFailed(const fs::path& package)
    {
        const auto recentBefore = state.recentProjects.get();
        const auto pathBefore = state.currentProjectPath.get();
        dialogs.answerAlert(0);
        EXPECT_FALSE(saveProject(package));
        ASSERT_FALSE(dialogs.alerts.empty());
        EXPECT_EQ(dialogs.alerts.back().message, "Save Failed");
        EXPECT_THAT(dialogs.alerts.back().informativeText, HasSubstr("Could not save project: "));
        EXPECT_EQ(dialogs.alerts.back().style, AlertStyle::critical);
        EXPECT_TRUE(state.isDirty.get());
        EXPECT_EQ(state.recentProjects.get(), recentBefore);
        EXPECT_EQ(state.currentProjectPath.get(), pathBefore);
    }
};

TEST_F(ProjectIOTest, SaveAsCopiesEveryFrameLeavesTheOldPackageAloneAndReadsBack)
{
    importImages({ "dawn.png", "noon.png" });
    state.lastMagicTweenCount = 4;
    const auto first = folder("First.vorrind");
    save(first);
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_EQ(state.currentProjectPath.get(), first);
    EXPECT_EQ(state.recentProjects.get().front().path, first.string());
    EXPECT_EQ(sourcePaths(),
        (std::vector<std::string> { (first / "images/dawn.png").string(), (first / "images/noon.png").string() }));
    const auto record = readText(first / "project.json");
    EXPECT_THAT(record, HasSubstr("\"magicTweenCount\" : 4"));
    EXPECT_THAT(record, ::testing::Not(HasSubstr("magicPrompt")));
    EXPECT_THAT(record, ::testing::Not(HasSubstr("magicSize")));
    const auto firstStamp = FileStamp::of(first / "images/dawn.png");

    const auto second = folder("elsewhere/Second.vorrind/");
    save(second);
    EXPECT_EQ(state.currentProjectPath.get(), folder("elsewhere/Second.vorrind"));
    EXPECT_TRUE(fs::exists(folder("elsewhere/Second.vorrind/images/noon.png")));
    EXPECT_EQ(FileStamp::of(first / "images/dawn.png"), firstStamp);
    EXPECT_EQ(readText(first / "project.json"), record);
    EXPECT_EQ(state.recentProjects.get().front().displayName, "Second");

    const auto saved = state.images.get();
    state.newProject("New Project");
    ASSERT_TRUE(projectIO.loadProject(second, state).ok());
    ASSERT_EQ(state.images.get().size(), saved.size());
    for (std::size_t i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(state.images.get()[i].id, saved[i].id);
        EXPECT_EQ(state.images.get()[i].fileName, saved[i].fileName);
        EXPECT_EQ(state.images.get()[i].altitude, saved[i].altitude);
        EXPECT_EQ(state.images.get()[i].sourcePath, saved[i].sourcePath);
        EXPECT_FALSE(state.images.get()[i].thumbnail) << "opening leaves decoding to the thumbnail caches";
    }
    EXPECT_EQ(state.lastMagicTweenCount.get(), 4);
    EXPECT_FALSE(state.isDirty.get());
}

TEST_F(ProjectIOTest, SavingInPlaceCopiesNothingWhateverTheSpellingOfTheSource)
{
    importImages({ "a.png", "b.png", "c.png" });
    const auto package = folder("P.vorrind");
    save(package);
    const auto stampA = FileStamp::of(package / "images/a.png");
    const auto stampB = FileStamp::of(package / "images/b.png");
    const auto stampC = FileStamp::of(package / "images/c.png");

    // The same files reached through "./", a doubled separator and a link.
    fs::create_directory_symlink(package / "images", folder("link-to-images"));
    state.images.mutate([&](std::vector<WallpaperImage>& frames) {
        frames[0].sourcePath = (package / "./images/a.png").string();
        frames[1].sourcePath = package.string() + "//images//b.png";
        frames[2].sourcePath = (folder("link-to-images") / "c.png").string();
    });
    state.isDirty = true;
    const auto linesBefore = logs.lines().size();
    save(package);

    EXPECT_EQ(FileStamp::of(package / "images/a.png"), stampA);
    EXPECT_EQ(FileStamp::of(package / "images/b.png"), stampB);
    EXPECT_EQ(FileStamp::of(package / "images/c.png"), stampC);
    const auto lines = logs.lines();
    EXPECT_TRUE(std::none_of(lines.begin() + static_cast<std::ptrdiff_t>(linesBefore), lines.end(),
        [](const std::string& line) { return line.starts_with("Copied "); }));
}

TEST_F(ProjectIOTest, AHardLinkedSourceIsNeverRemovedBeforeItIsCopied)
{
    importImages({ "a.png" });
    const auto package = folder("P.vorrind");
    save(package);
    fs::create_hard_link(package / "images/a.png", folder("hard-a.png"));
    const auto bytes = readText(package / "images/a.png");
    state.images.mutate([&](auto& frames) { frames[0].sourcePath = folder("hard-a.png").string(); });
    state.isDirty = true;
    save(package);
    EXPECT_EQ(readText(package / "images/a.png"), bytes);
    EXPECT_EQ(readText(folder("hard-a.png")), bytes);
}

TEST_F(ProjectIOTest, TwoSourcesWithOneNameStayTwoPictures)
{
    state.addImage(writeTestImage(folder("cameraA/IMG_0001.JPG"), 32, 18, 10));
    state.addImage(writeTestImage(folder("cameraB/IMG_0001.JPG"), 32, 18, 240));
    state.addImage(writeTestImage(folder("cameraC/IMG_0001-2.JPG"), 32, 18, 128));
    endEvent();
    const auto package = folder("P.vorrind");
    save(package);

    EXPECT_EQ(testing::fileNames(state.images.get()),
        (std::vector<std::string> { "IMG_0001.JPG", "IMG_0001-3.JPG", "IMG_0001-2.JPG" }));
    EXPECT_EQ(readText(package / "images/IMG_0001.JPG"), readText(folder("cameraA/IMG_0001.JPG")));
    EXPECT_EQ(readText(package / "images/IMG_0001-3.JPG"), readText(folder("cameraB/IMG_0001.JPG")));
    EXPECT_EQ(readText(package / "images/IMG_0001-2.JPG"), readText(folder("cameraC/IMG_0001-2.JPG")));
    EXPECT_THAT(readText(package / "project.json"), HasSubstr("IMG_0001-3.JPG"));
}

TEST_F(ProjectIOTest, NamesThatLeaveTheImagesFolderAreMissingAndNeverTouchedOutside)
{
    const auto package = folder("Hostile.vorrind");
    const auto outside = writeTestImage(folder("secret.png"));
    const auto outsideBytes = readText(outside);
    writeTestImage(package / "images/ok.png");
    fs::create_symlink(outside, package / "images/linked.png");
    const std::vector<std::string> hostile { "../../secret.png", outside.string(), "", ".", "..", "ok.png",
        "linked.png" };
    std::string images;
    for (const auto& name : hostile) {
        images += std::string(images.empty() ? "" : ",") + R"({"id":")" + Uuid::random().text() + R"(","fileName":")"
            + name + R"(","isTween":false})";
    }
    writeText(package / "project.json", R"({"version":"1.0","mode":"time","images":[)" + images + "]}");

    dialogs.answerAlert(0);
    ASSERT_TRUE(projectIO.loadProject(package, state).ok());
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, "Missing Images");
    EXPECT_EQ(dialogs.alerts[0].informativeText,
        "The following images could not be found:\n\n../../secret.png\n" + outside.string() + "\n\n.\n..\nlinked.png");
    for (const auto& image : state.images.get()) {
        EXPECT_EQ(image.sourcePath.has_value(), image.fileName == "ok.png") << image.fileName;
    }

    // Saving elsewhere copies only the one frame it has a file for.
    state.isDirty = true;
    const auto copy = folder("Copy.vorrind");
    save(copy);
    EXPECT_EQ(readText(outside), outsideBytes);
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(copy / "images"))
        written.push_back(entry.path().filename());
    EXPECT_THAT(written, ElementsAre("ok.png"));
    // Only the secret, the hostile package and the copy.
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 3);
}

TEST_F(ProjectIOTest, AFrameWithAnUnsafeNameButAFileGetsAPlainName)
{
    state.addImage(WallpaperImage { .id = Uuid::random(),
        .fileName = "../../escape.png",
        .sourcePath = writeTestImage(folder("src/escape.png")).string() });
    endEvent();
    save(folder("P.vorrind"));
    EXPECT_EQ(state.images.get()[0].fileName, "escape.png");
    EXPECT_TRUE(fs::exists(folder("P.vorrind/images/escape.png")));
    EXPECT_FALSE(fs::exists(folder("escape.png")));
}

TEST_F(ProjectIOTest, FailedSavesLeaveTheProjectDirtyAndTheOldRecordReadable)
{
    importImages({ "a.png", "b.png" });
    const auto package = folder("P.vorrind");
    save(package);
    const auto record = readText(package / "project.json");
    state.addImage(writeTestImage(folder("sources/c.png")));
    endEvent();

    SCOPED_TRACE("package path is a regular file");
    writeText(folder("File.vorrind"), "not a folder");
    expectSaveFailed(folder("File.vorrind"));
    EXPECT_EQ(readText(folder("File.vorrind")), "not a folder");

    SCOPED_TRACE("a frame's target is a folder");
    fs::create_directories(package / "images/c.png");
    expectSaveFailed(package);
    EXPECT_EQ(readText(package / "project.json"), record);
    EXPECT_TRUE(logs.anyStartsWith("Failed to save project: "));
}

TEST_F(ProjectIOTest, EditsMadeWhileTheFilesAreCopiedStayUnsavedAndSavesFollowEachOther)
{
    importImages({ "a.png", "b.png" });
    std::vector<std::string> outcomes;
    projectIO.saveProject(folder("One.vorrind"), state, [&](bool saved) { outcomes.push_back(saved ? "one" : "-"); });
    projectIO.saveProject(folder("Two.vorrind"), state, [&](bool saved) { outcomes.push_back(saved ? "two" : "-"); });
    // The store is edited before the first save's result is back on the main thread.
    state.deleteImage(state.images.get()[1].id);
    endEvent();
    runPostedWorkUntil([&] { return outcomes.size() == 2; });

    EXPECT_EQ(outcomes, (std::vector<std::string> { "one", "two" }));
    EXPECT_EQ(state.currentProjectPath.get(), folder("Two.vorrind"));
    EXPECT_FALSE(state.isDirty.get()) << "the second save wrote the edited timeline";
    EXPECT_EQ(sourcePaths(), std::vector<std::string> { folder("Two.vorrind/images/a.png").string() });
    EXPECT_THAT(readText(folder("One.vorrind/project.json")), HasSubstr("b.png"));
    EXPECT_THAT(readText(folder("Two.vorrind/project.json")), Not(HasSubstr("b.png")));

    // One save alone, with an edit during it: the package is written but the project stays dirty.
    projectIO.saveProject(folder("Three.vorrind"), state);
    state.addImage(writeTestImage(folder("sources/c.png")));
    endEvent();
    runPostedWorkUntil([&] { return state.currentProjectPath.get() == folder("Three.vorrind"); });
    EXPECT_TRUE(state.isDirty.get());
    EXPECT_EQ(state.recentProjects.get().front().displayName, "Three");
}

TEST_F(ProjectIOTest, AFrameGivenAnotherFileWhileItsOldOneIsCopiedKeepsTheNewOneAndStaysUnsaved)
{
    importImages({ "a.png" });
    projectIO.saveProject(folder("P.vorrind"), state);
    // An edit applied before the save's result is back: same frame, same name, another file.
    auto edited = state.images.get()[0];
    edited.sourcePath = writeTestImage(folder("edits/a.png"), 32, 18, 10).string();
    state.updateImage(edited);
    endEvent();
    runPostedWorkUntil([&] { return state.currentProjectPath.get().has_value(); });

    EXPECT_EQ(sourcePaths(), std::vector<std::string> { folder("edits/a.png").string() });
    EXPECT_TRUE(state.isDirty.get()) << "the package holds the frame before the edit";
}

TEST_F(ProjectIOTest, OpeningListsMissingImagesInTimelineOrder)
{
    importImages({ "one.png", "two.png", "three.png" });
    const auto package = folder("P.vorrind");
    save(package);
    fs::remove(package / "images/three.png");
    fs::remove(package / "images/one.png");

    dialogs.answerAlert(0);
    ASSERT_TRUE(projectIO.loadProject(package, state).ok());
    EXPECT_EQ(dialogs.alerts.back().informativeText, "The following images could not be found:\n\none.png\nthree.png");
    EXPECT_EQ(dialogs.alerts.back().style, AlertStyle::warning);
    EXPECT_EQ(sourcePaths(), (std::vector<std::string> { "<none>", (package / "images/two.png").string(), "<none>" }));
    EXPECT_TRUE(logs.contains("ERROR: Image file not found: " + (package / "images/one.png").string()));
}

TEST_F(ProjectIOTest, AnUnreadableRecordLeavesTheStoreUntouched)
{
    importImages({ "keep.png" });
    const auto before = testing::fileNames(state.images.get());
    const std::vector<std::pair<std::string, std::string>> broken {
        { "Corrupt.vorrind", "{ this is not json" },
        { "NoTween.vorrind",
            R"({"version":"1.0","mode":"time","images":[{"id":")" + Uuid::random().text()
                + R"(","fileName":"a.png"}]})" },
    };
    for (const auto& [name, text] : broken) {
        SCOPED_TRACE(name);
        writeText(folder(name) / "project.json", text);
        dialogs.answerAlert(0);
        EXPECT_FALSE(projectIO.loadProject(folder(name), state).ok());
        EXPECT_EQ(dialogs.alerts.back().message, "Load Failed");
        EXPECT_THAT(dialogs.alerts.back().informativeText, HasSubstr("Could not load project: "));
        EXPECT_EQ(testing::fileNames(state.images.get()), before);
        EXPECT_TRUE(state.isDirty.get());
    }
    dialogs.answerAlert(0);
    EXPECT_FALSE(projectIO.loadProject(folder("Absent.vorrind"), state).ok());
}

TEST_F(ProjectIOTest, FileNamesInAnotherEncodingStillSaveAndStayInTheRecentList)
{
    const auto source = writeTestImage(folder("src") / "caf\xE9.png");
    state.addImage(source);
    endEvent();
    ASSERT_EQ(state.images.get().size(), 1u);
    EXPECT_EQ(state.images.get()[0].sourcePath, source.string());
    EXPECT_EQ(state.images.get()[0].fileName, "caf\xEF\xBF\xBD.png");

    save(folder("Caf\xE9.vorrind"));
    EXPECT_TRUE(fs::exists(folder("Caf\xE9.vorrind/images/caf\xEF\xBF\xBD.png")));
    EXPECT_EQ(state.recentProjects.get().front().displayName, "Caf\xEF\xBF\xBD");
    EXPECT_TRUE(logs.anyStartsWith("💾 Saved 1 recent projects"));
    AppState reloaded(defaults);
    EXPECT_EQ(reloaded.recentProjects.get().size(), 1u);
}

TEST_F(ProjectIOTest, DeferredPanelsWaitATenthOfASecondAndThenAnswer)
{
    std::vector<fs::path> chosen;
    projectIO.presentSavePanelDeferred(
        "Untitled.tidelumine", folder("start"), [&](const fs::path& url) { chosen.push_back(url); }, {});
    EXPECT_TRUE(dialogs.savePanels.empty());
    EXPECT_EQ(scheduler.delays(), std::vector<std::chrono::milliseconds> { std::chrono::milliseconds(100) });
    dialogs.chooseInSavePanel(folder("Quit.tidelumine"));
    scheduler.runAll();
    EXPECT_EQ(dialogs.savePanels[0].proposedName, "Untitled.tidelumine");
    EXPECT_EQ(chosen, std::vector<fs::path> { folder("Quit.vorrind") });

    projectIO.presentOpenPanelDeferred(std::nullopt, [&](const fs::path& url) { chosen.push_back(url); });
    dialogs.chooseInOpenPanel(folder("Old.tidelumine/project.json"));
    scheduler.runAll();
    EXPECT_EQ(chosen.back(), folder("Old.tidelumine"));
}

} // namespace
} // namespace tl

namespace tl {
namespace {

TEST(SampleProject, OpensWithEveryFrameFoundAndSunPositionsInTimelineOrder)
{
    const auto opened = readPackage(std::filesystem::path(TIDELUMINE_SAMPLES_DIR) / "Seaside.vorrind");
    ASSERT_TRUE(opened.ok()) << opened.error().description;
    const auto& project = opened.value().project;
    EXPECT_TRUE(opened.value().missingFileNames.empty());
    EXPECT_EQ(project.mode, WallpaperMode::time);
    ASSERT_GE(project.images.size(), 5u);
    double previousHour = -1.0;
    for (const auto& image : project.images) {
        ASSERT_TRUE(image.sourcePath) << image.fileName;
        ASSERT_TRUE(image.altitude && image.azimuth) << image.fileName;
        const double hour = AppState::effectiveHour(image);
        EXPECT_GT(hour, previousHour) << image.fileName;
        previousHour = hour;
    }
}

} // namespace
} // namespace tl

namespace tl {
namespace {

class ImportTest : public testing::ProjectTest { };

TEST_F(ImportTest, LargeFramesKeepOnlyABoundedPreviewAndHeicImportsThroughLibheif)
{
    const auto large = folder("large.png");
    cv::imwrite(large.string(), cv::Mat(900, 1600, CV_8UC3, cv::Scalar(10, 200, 30)));
    state.addImage(large);

    std::vector<std::pair<int, int>> expectedSizes { { 512, 288 } };
    if (test::canEncodeHeic()) {
        ASSERT_TRUE(test::writeTestHeic(cv::Mat(600, 1200, CV_8UC3, cv::Scalar(200, 40, 40)), folder("photo.heic")));
        state.addImage(folder("photo.heic"));
        expectedSizes.emplace_back(512, 256);
    }
    endEvent();
    ASSERT_EQ(state.images.get().size(), expectedSizes.size());
    for (std::size_t i = 0; i < expectedSizes.size(); ++i) {
        const auto& thumbnail = state.images.get()[i].thumbnail;
        ASSERT_TRUE(thumbnail) << state.images.get()[i].fileName;
        EXPECT_EQ(std::pair(thumbnail->width(), thumbnail->height()), expectedSizes[i]);
    }
    if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder for the HEIC half";
}

TEST_F(ImportTest, OnePackageIsListedOnceHoweverItsPathIsWritten)
{
    for (const auto* spelling : { "/projects/Day.vorrind/", "/projects/./Day.vorrind", "/projects//Day.vorrind" }) {
        state.addRecentProject(spelling);
    }
    ASSERT_EQ(state.recentProjects.get().size(), 1u);
    EXPECT_EQ(state.recentProjects.get()[0].path, "/projects/Day.vorrind");
    EXPECT_EQ(state.recentProjects.get()[0].displayName, "Day");
    // A path given relative to the working folder is kept whole, so it still opens from elsewhere.
    state.addRecentProject("Here.vorrind/");
    EXPECT_EQ(state.recentProjects.get()[0].path, (std::filesystem::current_path() / "Here.vorrind").string());

    importImages({ "a.png" });
    ASSERT_TRUE(saveProject(folder("Trail.vorrind/")));
    EXPECT_EQ(state.currentProjectPath.get()->filename(), "Trail.vorrind");
    EXPECT_EQ(state.recentProjects.get()[0].displayName, "Trail");
}

} // namespace
} // namespace tl
