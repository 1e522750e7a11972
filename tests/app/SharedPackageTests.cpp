#include "app/ProjectPackage.h"
#include "platform/FileReplacement.h"
#include "support/PackageFolders.h"
#include "support/ProjectFixture.h"

#include <gmock/gmock.h>

namespace tl {
namespace {

namespace fs = std::filesystem;
using testing::entriesOf;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::readText;
using testing::writeTestImage;

constexpr std::string_view changedElsewhere = "The project was changed by another program since you opened it.";

// A second copy of the program: its own store, undo history, dialogs and saver.
struct OtherInstance {
    InMemoryDefaults defaults;
    testing::ManualEventLoop loop;
    std::shared_ptr<UndoManager> undo = loop.makeUndoManager();
    AppState state { defaults };
    testing::ScriptedDialogs dialogs;
    testing::ManualScheduler scheduler;
    ProjectIO projectIO { dialogs, scheduler };

    OtherInstance() { state.undoManager = undo; }

    bool save(const fs::path& package)
    {
        std::optional<bool> saved;
        projectIO.saveProject(package, state, [&saved](bool outcome) { saved = outcome; });
        while (!saved && scheduler.waitForWork())
            scheduler.runAll();
        return saved.value_or(false);
    }
};

class SharedPackageTest : public testing::ProjectTest {
protected:
    void addFrame(AppState& into, const std::string& name, testing::ManualEventLoop& events)
    {
        into.addImage(writeTestImage(folder("sources") / name));
        events.finishEvent();
    }

    static void setAge(const fs::path& file, std::chrono::seconds age)
    {
        fs::last_write_time(file, fs::file_time_type::clock::now() - age);
    }
};

// Two copies of the program save one package in turn: the later one is told and decides.
TEST_F(SharedPackageTest, ASaveOverAnotherProgramsChangesAsksFirst)
{
    const auto package = folder("Shared.vorrind");
    importImages({ "a.png" });
    ASSERT_TRUE(saveProject(package));
    OtherInstance other;
    ASSERT_TRUE(other.projectIO.loadProject(package, other.state).ok());

    importImages({ "mine.png" });
    ASSERT_TRUE(saveProject(package)) << "nobody else wrote the package since it was opened";
    const auto mine = readText(package / "project.json");

    addFrame(other.state, "theirs.png", other.loop);
    other.dialogs.answerAlert(2);
    EXPECT_FALSE(other.save(package));
    ASSERT_EQ(other.dialogs.alerts.size(), 1u);
    EXPECT_EQ(other.dialogs.alerts[0].message, changedElsewhere);
    EXPECT_EQ(other.dialogs.alerts[0].buttons, (std::vector<std::string> { "Save Anyway", "Save As…", "Cancel" }));
    EXPECT_EQ(readText(package / "project.json"), mine) << "Cancel wrote nothing";
    EXPECT_TRUE(other.state.isDirty.get());

    other.dialogs.answerAlert(0);
    EXPECT_TRUE(other.save(package));
    EXPECT_THAT(readText(package / "project.json"), HasSubstr("theirs.png"));
    EXPECT_FALSE(other.state.isDirty.get());

    // Now this copy is the one that is behind: it may keep its work elsewhere.
    importImages({ "later.png" });
    const auto copy = folder("Copy.vorrind");
    dialogs.answerAlert(1);
    dialogs.chooseInSavePanel(copy);
    EXPECT_TRUE(saveProject(package));
    EXPECT_EQ(dialogs.alerts.back().message, changedElsewhere);
    EXPECT_EQ(state.currentProjectPath.get(), copy);
    EXPECT_THAT(readText(copy / "project.json"), HasSubstr("later.png"));
    EXPECT_THAT(readText(package / "project.json"), Not(HasSubstr("later.png")));
}

// Frame files this program wrote and nothing can bring back any more go at the next save; what the
// record names or an undo may restore stays, and so does every file it did not write itself.
TEST_F(SharedPackageTest, ASaveRemovesOnlyItsOwnFrameFilesNoRecordOrUndoCanBringBack)
{
    const auto package = folder("P.vorrind");
    const auto images = package / "images";
    importImages({ "a.png", "b.png" });
    ASSERT_TRUE(saveProject(package));
    const auto longAgo = staleTemporaryAge + std::chrono::seconds(1);
    // What the user keeps beside the frames, and what is not ours to remove.
    writeTestImage(images / "reference-photo.png");
    testing::writeText(images / "notes.txt", "light from the left");
    writeTestImage(images / "young.png");
    writeTestImage(images / ".hidden.png");
    fs::create_directory(images / "folder");
    writeTestImage(folder("outside.png"));
    fs::create_symlink(folder("outside.png"), images / "link.png");

    // An edit points frame a at another file; an undo may still bring the old one back.
    auto edited = state.images.get()[0];
    edited.sourcePath = writeTestImage(images / "edited_a.png", 32, 18, 10).string();
    edited.fileName = "edited_a.png";
    state.updateImage(edited);
    endEvent();
    for (const auto& name : entriesOf(images))
        if (name != "young.png") setAge(images / name, longAgo);
    const std::vector<std::string> notOurs { ".hidden.png", "edited_a.png", "folder", "link.png", "notes.txt",
        "reference-photo.png", "young.png" };
    ASSERT_TRUE(saveProject(package));
    auto expected = notOurs;
    expected.insert(expected.end(), { "a.png", "b.png" });
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entriesOf(images), expected);

    // Once no undo can bring a.png back, it goes; the record's files and the user's never do.
    undo->removeAllActions();
    setAge(images / "young.png", longAgo);
    setAge(images / "a.png", longAgo);
    state.isDirty = true;
    ASSERT_TRUE(saveProject(package));
    expected = notOurs;
    expected.emplace_back("b.png");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entriesOf(images), expected);
    EXPECT_TRUE(fs::exists(folder("outside.png")));
    const auto opened = readPackage(package);
    ASSERT_TRUE(opened.ok());
    EXPECT_TRUE(opened.value().missingFileNames.empty());
}

// On a caseless disk the record's "frame.png" is the file listed as "Frame.png": two spellings of
// one file, which two links to it stand in for here. The file the record reaches stays.
TEST_F(SharedPackageTest, ASaveKeepsTheRecordsFrameUnderAnySpellingThatReachesIt)
{
    const auto package = folder("Case.vorrind");
    const auto images = package / "images";
    importImages({ "Frame.png" });
    ASSERT_TRUE(saveProject(package));
    fs::create_hard_link(images / "Frame.png", images / "frame.png");
    auto respelled = state.images.get()[0];
    respelled.fileName = "frame.png";
    respelled.sourcePath = (images / "frame.png").string();
    state.updateImage(respelled);
    endEvent();
    undo->removeAllActions();
    for (const auto& name : entriesOf(images))
        setAge(images / name, staleTemporaryAge + std::chrono::seconds(1));
    ASSERT_TRUE(saveProject(package));
    EXPECT_TRUE(fs::exists(images / "Frame.png")) << "the record's own frame, spelled as the disk lists it";
}

// Another running copy with the package open may still undo back to a frame this copy no longer
// needs: that frame stays until no other copy holds the package.
TEST_F(SharedPackageTest, ASaveLeavesFramesWhileAnotherCopyHasThePackageOpen)
{
    const auto package = folder("Both.vorrind");
    const auto images = package / "images";
    importImages({ "a.png", "b.png" });
    ASSERT_TRUE(saveProject(package));
    auto other = std::make_unique<OtherInstance>();
    ASSERT_TRUE(other->projectIO.loadProject(package, other->state).ok());

    state.deleteImage(state.images.get()[0].id);
    endEvent();
    undo->removeAllActions();
    for (const auto& name : entriesOf(images))
        setAge(images / name, staleTemporaryAge + std::chrono::seconds(1));
    ASSERT_TRUE(saveProject(package));
    EXPECT_TRUE(fs::exists(images / "a.png")) << "the other copy's record still names it";

    other.reset();
    state.isDirty = true;
    ASSERT_TRUE(saveProject(package));
    EXPECT_FALSE(fs::exists(images / "a.png")) << "nobody else holds the package now";
    EXPECT_TRUE(fs::exists(images / "b.png"));
}

// Opening the package that is open again and undoing returns to the same saved content.
TEST_F(SharedPackageTest, UndoingASecondOpeningOfAnUnchangedPackageLeavesItSaved)
{
    const auto package = folder("P.vorrind");
    importImages({ "a.png" });
    ASSERT_TRUE(saveProject(package));
    ASSERT_TRUE(projectIO.loadProject(package, state).ok());
    endEvent();
    ASSERT_TRUE(projectIO.loadProject(package, state).ok());
    endEvent();
    undo->undo();
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_EQ(state.currentProjectPath.get(), package);

    // Changed by another program in between: the earlier opening no longer matches the package.
    OtherInstance other;
    ASSERT_TRUE(other.projectIO.loadProject(package, other.state).ok());
    addFrame(other.state, "theirs.png", other.loop);
    ASSERT_TRUE(other.save(package));
    ASSERT_TRUE(projectIO.loadProject(package, state).ok());
    endEvent();
    undo->undo();
    EXPECT_TRUE(state.isDirty.get());
}

// A save asked for while another was writing still writes the project it was asked for, even
// when another project has been opened before it starts.
TEST_F(SharedPackageTest, AQueuedSaveWritesItsOwnProjectAfterAnotherTookItsPlace)
{
    importImages({ "a.png", "b.png" });
    std::vector<bool> outcomes;
    projectIO.saveProject(folder("One.vorrind"), state, [&](bool saved) { outcomes.push_back(saved); });
    projectIO.saveProject(folder("Two.vorrind"), state, [&](bool saved) { outcomes.push_back(saved); });
    state.newProject("New Project");
    endEvent();
    importImages({ "c.png" });
    runPostedWorkUntil([&] { return outcomes.size() == 2; });

    EXPECT_EQ(outcomes, (std::vector<bool> { false, false })) << "neither project is the open one";
    const auto two = readPackage(folder("Two.vorrind"));
    ASSERT_TRUE(two.ok());
    EXPECT_EQ(testing::fileNames(two.value().project.images), (std::vector<std::string> { "a.png", "b.png" }));
    EXPECT_TRUE(two.value().missingFileNames.empty());
    EXPECT_EQ(timeline(), std::vector<std::string> { "c.png" });
    EXPECT_FALSE(state.currentProjectPath.get());
}

} // namespace
} // namespace tl
