#include "app/AppCommandCenter.h"
#include "app/AppLifecycleDelegate.h"
#include "app/SaveFlowCoordinator.h"
#include "support/ProjectFixture.h"

#include <gmock/gmock.h>

namespace tl {
namespace {

namespace fs = std::filesystem;
using testing::writeText;

constexpr std::size_t save = 0;
constexpr std::size_t cancel = 1;
constexpr std::size_t dontSave = 2;

class SaveFlowTest : public testing::ProjectTest {
protected:
    SaveFlowTest()
    {
        importImages({ "a.png" });
        EXPECT_TRUE(state.isDirty.get());
    }

    void makeSavedAndDirty()
    {
        ASSERT_TRUE(saveProject(folder("P.vorrind")));
        state.addImage(testing::writeTestImage(folder("sources/b.png")));
        endEvent();
    }

    // Makes the package unwritable in a way that holds for root too.
    void breakPackage() { fs::create_directories(folder("P.vorrind/images/b.png")); }

    SaveFlowCoordinator flow { projectIO, ui };
    int ran = 0;
    std::function<void()> action = [this] { ++ran; };
};

TEST_F(SaveFlowTest, EveryEntryPointAsksTheSameQuestionWithItsLowerCasedTitle)
{
    using Entry = std::function<void()>;
    const std::vector<std::pair<Entry, std::string>> entries {
        { [&] { flow.runAfterUnsavedChangesCheck("Create New Project", state, action); },
            "Do you want to save before create new project?" },
        { [&] { flow.runAfterUnsavedChangesCheck("Close Project", state, action); },
            "Do you want to save before close project?" },
        { [&] { flow.confirmUnsavedChanges("Open Project", state, ui, action); },
            "Do you want to save before open project?" },
        { [&] { flow.confirmBeforeClosingWindow("Close", state, ui, action); }, "Do you want to save before close?" },
    };
    for (const auto& [entry, question] : entries) {
        SCOPED_TRACE(question);
        dialogs.answerAlert(cancel);
        entry();
        const Alert& alert = dialogs.alerts.back();
        EXPECT_EQ(alert.message, "You have unsaved changes.");
        EXPECT_EQ(alert.informativeText, question);
        EXPECT_EQ(alert.style, AlertStyle::warning);
        EXPECT_EQ(alert.buttons, (std::vector<std::string> { "Save", "Cancel", "Don't Save" }));
    }
    EXPECT_EQ(ran, 0);

    dialogs.answerAlert(dontSave);
    flow.runAfterUnsavedChangesCheck("Close Project", state, action);
    EXPECT_EQ(ran, 1);
    dialogs.answerAlert(std::nullopt);
    flow.runAfterUnsavedChangesCheck("Close Project", state, action);
    EXPECT_EQ(ran, 1);
}

TEST_F(SaveFlowTest, ACleanProjectRunsTheOperationAtOnceWithoutAQuestion)
{
    state.isDirty = false;
    flow.runAfterUnsavedChangesCheck("Create New Project", state, action);
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(dialogs.alerts.empty());
}

TEST_F(SaveFlowTest, SaveWithoutAPathGoesThroughThePanelInTheLastSaveFolder)
{
    ui.lastSaveDirectory = folder("saves");
    dialogs.answerAlert(save);
    flow.runAfterUnsavedChangesCheck("Create New Project", state, action);
    EXPECT_EQ(ran, 0);

    dialogs.chooseInSavePanel(folder("chosen/Mine.vorrind"));
    scheduler.runAll();
    EXPECT_EQ(dialogs.savePanels.back().proposedName, "Untitled.vorrind");
    EXPECT_EQ(dialogs.savePanels.back().startDirectory, folder("saves"));
    runPostedWorkUntil([this] { return ran == 1; });
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_EQ(ui.lastSaveDirectory.get(), folder("chosen"));

    // Cancelling the panel leaves the project dirty and the operation undone.
    state.currentProjectPath = std::nullopt;
    state.isDirty = true;
    dialogs.answerAlert(save);
    dialogs.chooseInSavePanel(std::nullopt);
    flow.runAfterUnsavedChangesCheck("Close Project", state, action);
    scheduler.runAll();
    EXPECT_EQ(dialogs.savePanels.back().startDirectory, folder("chosen"));
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(state.isDirty.get());
}

TEST_F(SaveFlowTest, TheOperationWaitsForTheSaveOnTheWorkerAndRunsOnlyAfterItSucceeded)
{
    makeSavedAndDirty();
    dialogs.answerAlert(save);
    flow.runAfterUnsavedChangesCheck("Create New Project", state, action);
    EXPECT_EQ(ran, 0) << "the files are still being copied";
    EXPECT_TRUE(state.isDirty.get());
    runPostedWorkUntil([this] { return ran > 0; });
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_TRUE(fs::exists(folder("P.vorrind/images/b.png")));
}

TEST_F(SaveFlowTest, AFailedSaveIsTreatedAsCancelSoNothingIsDiscarded)
{
    makeSavedAndDirty();
    breakPackage();
    dialogs.answerAlert(save);
    dialogs.answerAlert(0); // "Save Failed"
    flow.runAfterUnsavedChangesCheck("Create New Project", state, action);
    runPostedWorkUntil([this] { return dialogs.scriptFinished(); });
    EXPECT_EQ(dialogs.alerts.back().message, "Save Failed");
    EXPECT_EQ(ran, 0);
    EXPECT_TRUE(state.isDirty.get());
    EXPECT_EQ(state.images.get().size(), 2u);
}

class QuitFlowTest : public SaveFlowTest {
protected:
    void quit()
    {
        flow.confirmBeforeQuitting(state, ui, [this](bool answer) { replies.push_back(answer); });
    }
    std::vector<bool> replies;
};

TEST_F(QuitFlowTest, EachAnswerRepliesExactlyOnce)
{
    const std::vector<std::pair<std::optional<std::size_t>, bool>> answers { { dontSave, true }, { cancel, false },
        { std::nullopt, false } };
    for (const auto& [button, expected] : answers) {
        replies.clear();
        dialogs.answerAlert(button);
        quit();
        EXPECT_EQ(dialogs.alerts.back().informativeText, "Do you want to save before quitting?");
        EXPECT_EQ(dialogs.alerts.back().buttons, (std::vector<std::string> { "Save & Quit", "Cancel", "Don't Save" }));
        EXPECT_EQ(replies, std::vector<bool> { expected });
    }
}

TEST_F(QuitFlowTest, SaveAndQuitThroughThePanelProposesTheQuitNameAndRepliesAfterThePanel)
{
    dialogs.answerAlert(save);
    quit();
    EXPECT_TRUE(replies.empty());
    dialogs.chooseInSavePanel(std::nullopt);
    scheduler.runAll();
    EXPECT_EQ(dialogs.savePanels.back().proposedName, "Untitled.tidelumine");
    EXPECT_EQ(replies, std::vector<bool> { false });
    EXPECT_TRUE(state.isDirty.get());

    replies.clear();
    dialogs.answerAlert(save);
    dialogs.chooseInSavePanel(folder("Untitled.tidelumine"));
    quit();
    scheduler.runAll();
    runPostedWorkUntil([this] { return !replies.empty(); });
    EXPECT_EQ(replies, std::vector<bool> { true });
    // The package written from the quit name is one the open rule accepts.
    EXPECT_EQ(state.currentProjectPath.get(), folder("Untitled.vorrind"));
    EXPECT_TRUE(fs::exists(folder("Untitled.vorrind/project.json")));
}

TEST_F(QuitFlowTest, AFailedSaveDoesNotQuit)
{
    makeSavedAndDirty();
    breakPackage();
    dialogs.answerAlert(save);
    dialogs.answerAlert(0);
    quit();
    EXPECT_TRUE(replies.empty()) << "the quit waits for the save";
    runPostedWorkUntil([this] { return !replies.empty(); });
    EXPECT_EQ(replies, std::vector<bool> { false });
    EXPECT_TRUE(state.isDirty.get());
}

class LifecycleTest : public SaveFlowTest {
protected:
    AppCommandCenter commands { state, ui, projectIO, flow };
    int terminations = 0;
    AppLifecycleDelegate lifecycle { scheduler, [this] { ++terminations; } };

    fs::path makePackage(const std::string& name)
    {
        const auto package = folder(name);
        writeText(package / "project.json", R"({"version":"1.0","mode":"appearance","images":[]})");
        return package;
    }
};

TEST_F(LifecycleTest, OnlyTheLastOpenRequestBeforeTheWindowIsOpenedAndOnlyOnce)
{
    state.isDirty = false;
    EXPECT_TRUE(lifecycle.openFile(makePackage("First.tidelumine")));
    EXPECT_TRUE(lifecycle.openFile(makePackage("Second.vorrind") / "project.json"));
    EXPECT_FALSE(lifecycle.openFile(folder("picture.png")));
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    lifecycle.attach(commands);
    EXPECT_FALSE(state.currentProjectPath.get());
    scheduler.runAll();
    EXPECT_EQ(state.currentProjectPath.get(), folder("Second.vorrind"));
    ASSERT_EQ(state.recentProjects.get().size(), 1u);

    lifecycle.attach(commands);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(LifecycleTest, QuittingAsksOnlyWhenDirtyAndCancelKeepsLaterClosesQuestioned)
{
    EXPECT_EQ(lifecycle.applicationShouldTerminate(), AppLifecycleDelegate::TerminateReply::now);
    lifecycle.attach(commands);

    dialogs.answerAlert(cancel);
    EXPECT_EQ(lifecycle.applicationShouldTerminate(), AppLifecycleDelegate::TerminateReply::later);
    EXPECT_FALSE(lifecycle.isTerminating);
    EXPECT_EQ(terminations, 0);

    int closes = 0;
    // Answered while the close is being asked about: that close goes through, nothing is
    // re-issued, and the next close is questioned again.
    dialogs.answerAlert(dontSave);
    EXPECT_TRUE(lifecycle.windowShouldClose([&] { ++closes; }));
    EXPECT_FALSE(lifecycle.shouldBypassCloseCheck);
    dialogs.answerAlert(cancel);
    EXPECT_FALSE(lifecycle.windowShouldClose([&] { ++closes; }));
    EXPECT_EQ(closes, 0);

    dialogs.answerAlert(dontSave);
    lifecycle.applicationShouldTerminate();
    EXPECT_TRUE(lifecycle.isTerminating);
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(lifecycle.windowShouldClose([] {}));

    state.isDirty = false;
    lifecycle.isTerminating = false;
    EXPECT_EQ(lifecycle.applicationShouldTerminate(), AppLifecycleDelegate::TerminateReply::now);
}

TEST_F(LifecycleTest, SaveAndQuitThatFailsOnTheWorkerKeepsTheProjectDirtyAndTheApplicationRunning)
{
    makeSavedAndDirty();
    breakPackage();
    lifecycle.attach(commands);
    dialogs.answerAlert(save);
    dialogs.answerAlert(0); // "Save Failed"
    EXPECT_EQ(lifecycle.applicationShouldTerminate(), AppLifecycleDelegate::TerminateReply::later);
    runPostedWorkUntil([this] { return dialogs.scriptFinished(); });
    EXPECT_EQ(dialogs.alerts.back().message, "Save Failed");
    EXPECT_EQ(terminations, 0);
    EXPECT_FALSE(lifecycle.isTerminating);
    EXPECT_TRUE(state.isDirty.get());
    // So the window's close is questioned again.
    dialogs.answerAlert(cancel);
    EXPECT_FALSE(lifecycle.windowShouldClose([] {}));

    fs::remove_all(folder("P.vorrind/images/b.png"));
    dialogs.answerAlert(save);
    lifecycle.applicationShouldTerminate();
    runPostedWorkUntil([this] { return terminations > 0; });
    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(state.isDirty.get());
}

// A quit during a save used to end the application at once, the copy still running behind a
// vanished window; a close of the last window did the same.
TEST_F(LifecycleTest, QuittingOrClosingDuringASaveWaitsForTheCopyThenQuitsWithoutAQuestion)
{
    lifecycle.attach(commands);
    state.currentProjectPath = folder("P.vorrind");
    commands.save();
    ASSERT_TRUE(flow.isSaving());
    int closes = 0;
    EXPECT_FALSE(lifecycle.windowShouldClose([&] { ++closes; }));
    EXPECT_EQ(lifecycle.applicationShouldTerminate(), AppLifecycleDelegate::TerminateReply::later);
    EXPECT_TRUE(flow.isFinishingSaves.get());
    EXPECT_EQ(terminations, 0);
    EXPECT_EQ(closes, 0);

    runPostedWorkUntil([this] { return terminations > 0; });
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(flow.isFinishingSaves.get());
    EXPECT_TRUE(dialogs.alerts.empty()) << "the save left nothing unsaved";
    ASSERT_FALSE(state.recentProjects.get().empty());
    EXPECT_EQ(state.recentProjects.get().front().path, folder("P.vorrind").string());
}

// A save that fails while the quit waits leaves the changes unsaved: they are asked about.
TEST_F(LifecycleTest, ASaveFailingWhileTheQuitWaitsAsksAboutTheUnsavedChanges)
{
    makeSavedAndDirty();
    breakPackage();
    lifecycle.attach(commands);
    commands.save();
    dialogs.answerAlert(0); // "Save Failed"
    dialogs.answerAlert(cancel);
    EXPECT_EQ(lifecycle.applicationShouldTerminate(), AppLifecycleDelegate::TerminateReply::later);
    runPostedWorkUntil([this] { return dialogs.scriptFinished(); });
    EXPECT_EQ(dialogs.alerts.back().informativeText, "Do you want to save before quitting?");
    EXPECT_EQ(terminations, 0);
    EXPECT_FALSE(flow.isFinishingSaves.get());
    EXPECT_TRUE(state.isDirty.get());
}

TEST_F(LifecycleTest, ASaveFinishingAfterNewProjectLeavesTheSavedPackageToItsOwnProject)
{
    const auto package = folder("A.vorrind");
    projectIO.saveProject(package, state);
    commands.newProject();
    importImages({ "new.png" }, "later");
    runPostedWorkUntil([&] { return !state.recentProjects.get().empty(); });
    EXPECT_EQ(state.recentProjects.get().front().path, package.string());
    EXPECT_FALSE(state.currentProjectPath.get());
    EXPECT_TRUE(state.isDirty.get());
    ASSERT_EQ(state.images.get().size(), 1u);
    EXPECT_EQ(state.images.get()[0].sourcePath, folder("later/new.png").string());

    // So Save asks where the new project goes instead of writing it over A.
    dialogs.chooseInSavePanel(std::nullopt);
    commands.save();
    scheduler.runAll();
    EXPECT_EQ(dialogs.savePanels.back().proposedName, "Untitled.vorrind");
    const auto opened = readPackage(package);
    ASSERT_TRUE(opened);
    EXPECT_EQ(testing::fileNames(opened.value().project.images), std::vector<std::string> { "a.png" });
}

TEST_F(LifecycleTest, DeleteAllTweensNamesTheCountAndDefaultsToCancel)
{
    const auto key = state.images.get()[0];
    state.addImage(testing::tweenOf(key, "t1.png"));
    endEvent();
    dialogs.answerAlert(0);
    commands.confirmDeleteAllTweens();
    EXPECT_EQ(dialogs.alerts.back().message, "Delete All Tweens?");
    EXPECT_EQ(dialogs.alerts.back().informativeText, "This will delete 1 tween image. This action can be undone.");
    EXPECT_EQ(dialogs.alerts.back().buttons, (std::vector<std::string> { "Cancel", "Delete" }));
    EXPECT_TRUE(commands.hasTweens());

    state.addImage(testing::tweenOf(key, "t2.png"));
    endEvent();
    dialogs.answerAlert(1);
    commands.confirmDeleteAllTweens();
    EXPECT_EQ(dialogs.alerts.back().informativeText, "This will delete 2 tween images. This action can be undone.");
    EXPECT_FALSE(commands.hasTweens());
    const auto alertCount = dialogs.alerts.size();
    commands.confirmDeleteAllTweens();
    EXPECT_EQ(dialogs.alerts.size(), alertCount);
}

TEST_F(LifecycleTest, SaveAsProposesThePackageNameInTheLastSaveFolder)
{
    state.isDirty = false;
    lifecycle.attach(commands);
    ASSERT_TRUE(projectIO.loadProject(makePackage("Mine.vorrind"), state).ok());
    ui.lastSaveDirectory = folder("elsewhere");
    commands.saveProjectAs();
    dialogs.chooseInSavePanel(std::nullopt);
    scheduler.runAll();
    EXPECT_EQ(dialogs.savePanels.back().proposedName, "Mine.vorrind");
    EXPECT_EQ(dialogs.savePanels.back().startDirectory, folder("elsewhere"));
}

TEST_F(LifecycleTest, CheckForUpdatesWithoutACheckerOnlyWarns)
{
    commands.checkForUpdates();
    EXPECT_TRUE(logs.contains("⚠️  App delegate not available"));
}

} // namespace
} // namespace tl
