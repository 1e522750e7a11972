#include "RunningApp.h"

namespace tl {
namespace {

namespace fs = std::filesystem;
using testing::cancel;
using testing::dontSave;
using testing::RunningApp;
using testing::save;

// Project A (a.png, b.png) is saved at A.vorrind when each race starts; a save of it is then
// still copying while the user goes on.
struct SaveRace {
    std::string name;
    bool editedAfterSaving;
    std::function<void(RunningApp&)> startSave;
    std::function<void(RunningApp&)> meanwhile;
    int savesToFinish;
    // The open project afterwards.
    std::optional<std::string> openPackage;
    bool dirty;
    std::size_t frames;
    // The package the save wrote, with the frames of A it must hold.
    std::string savedPackage;
    std::vector<std::string> savedFrames;
};

void run(RunningApp& test, const SaveRace& race)
{
    test.addPicture("a.png");
    test.addPicture("b.png");
    test.saveAs("A");
    // Another package holding the same frames, so placing them by identity would reach it.
    fs::copy(test.folder("A.vorrind"), test.folder("X.vorrind"), fs::copy_options::recursive);
    test.state().addRecentProject(test.folder("X.vorrind"));
    if (race.editedAfterSaving) test.addPicture("c.png");

    race.startSave(test);
    race.meanwhile(test);
    for (int i = 0; i < race.savesToFinish; ++i)
        test.finishNextSave();

    std::optional<fs::path> open;
    if (race.openPackage) open = test.folder(*race.openPackage);
    EXPECT_EQ(test.state().currentProjectPath.get(), open);
    EXPECT_EQ(test.state().isDirty.get(), race.dirty);
    EXPECT_EQ(test.state().images.get().size(), race.frames);
    for (const auto& frame : test.state().images.get()) {
        ASSERT_TRUE(frame.sourcePath);
        const auto home = fs::path(*frame.sourcePath).parent_path();
        EXPECT_EQ(home, open ? *open / "images" : test.folder("in")) << frame.fileName;
    }
    const auto saved = test.folder(race.savedPackage);
    ASSERT_FALSE(test.state().recentProjects.get().empty());
    EXPECT_EQ(test.state().recentProjects.get().front().path, saved.string());
    EXPECT_EQ(test.savedFileNames(saved), race.savedFrames);
    EXPECT_FALSE(test.app->lifecycle.isTerminating);
}

TEST(SaveRaces, AFinishedSaveChangesOnlyTheProjectItCopied)
{
    const auto saveAsCopy = [](RunningApp& test) {
        test.dialogs.chooseInSavePanel(test.temp.path() / "Copy");
        test.actions().saveAs.trigger();
        test.settle();
    };
    const auto saveInPlace = [](RunningApp& test) { test.actions().save.trigger(); };
    const auto newDiscarding = [](RunningApp& test) {
        test.dialogs.answerAlert(dontSave);
        test.actions().newProject.trigger();
        test.settle();
    };
    const std::vector<SaveRace> races {
        { .name = "Save As, then Open Recent",
            .editedAfterSaving = false,
            .startSave = saveAsCopy,
            .meanwhile = [](RunningApp& test) { test.triggerRecent("X"); },
            .savesToFinish = 1,
            .openPackage = "X.vorrind",
            .dirty = false,
            .frames = 2,
            .savedPackage = "Copy.vorrind",
            .savedFrames = { "a.png", "b.png" } },
        { .name = "Save As, then New",
            .editedAfterSaving = false,
            .startSave = saveAsCopy,
            .meanwhile =
                [](RunningApp& test) {
                    test.actions().newProject.trigger();
                    test.settle();
                },
            .savesToFinish = 1,
            .openPackage = std::nullopt,
            .dirty = false,
            .frames = 0,
            .savedPackage = "Copy.vorrind",
            .savedFrames = { "a.png", "b.png" } },
        // The second save waits for the first and must still write A, as it was when asked for.
        { .name = "Save, edit, Save again, then New with \"Don't Save\"",
            .editedAfterSaving = true,
            .startSave = saveInPlace,
            .meanwhile =
                [saveInPlace, newDiscarding](RunningApp& test) {
                    test.addPicture("d.png");
                    saveInPlace(test);
                    newDiscarding(test);
                },
            .savesToFinish = 2,
            .openPackage = std::nullopt,
            .dirty = false,
            .frames = 0,
            .savedPackage = "A.vorrind",
            .savedFrames = { "a.png", "b.png", "c.png", "d.png" } },
        { .name = "Quit with \"Save & Quit\", then New with \"Don't Save\" and an edit",
            .editedAfterSaving = true,
            .startSave =
                [](RunningApp& test) {
                    test.dialogs.answerAlert(save);
                    test.actions().quit.trigger();
                },
            .meanwhile =
                [newDiscarding](RunningApp& test) {
                    newDiscarding(test);
                    test.addPicture("e.png");
                },
            .savesToFinish = 1,
            .openPackage = std::nullopt,
            .dirty = true,
            .frames = 1,
            .savedPackage = "A.vorrind",
            .savedFrames = { "a.png", "b.png", "c.png" } },
    };
    for (const auto& race : races) {
        SCOPED_TRACE(race.name);
        RunningApp test;
        run(test, race);
    }
}

class UnsavedWindow : public ::testing::Test, protected RunningApp { };

TEST_F(UnsavedWindow, ClosingWithUnsavedChangesAndDontSaveClosesTheWindowOnce)
{
    window().show();
    addPicture("a.png");
    dialogs.answerAlert(dontSave);
    window().close();
    settle();
    EXPECT_EQ(dialogs.alerts.back().informativeText, "Do you want to save before close?");
    EXPECT_FALSE(window().isVisible());
    EXPECT_FALSE(app->lifecycle.shouldBypassCloseCheck);

    // Shown again with the same unsaved changes: the next close asks again.
    window().show();
    dialogs.answerAlert(cancel);
    window().close();
    settle();
    EXPECT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_TRUE(window().isVisible());
}

TEST_F(UnsavedWindow, EveryCloseOfAWindowWithUnsavedChangesAsksAgain)
{
    window().show();
    addPicture("a.png");
    dialogs.answerAlert(cancel);
    window().close();
    settle();
    EXPECT_TRUE(window().isVisible());

    addPicture("b.png");
    dialogs.answerAlert(cancel);
    window().close();
    settle();
    EXPECT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_TRUE(window().isVisible());

    // "Save", and an edit while the files are copied: that edit is asked about before the close.
    dialogs.answerAlert(save);
    dialogs.chooseInSavePanel(folder("Kept"));
    window().close();
    settle();
    addPicture("c.png");
    dialogs.answerAlert(cancel);
    finishNextSave();
    EXPECT_EQ(dialogs.alerts.size(), 4u);
    EXPECT_EQ(dialogs.alerts.back().informativeText, "Do you want to save before close?");
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(state().isDirty.get());
    EXPECT_EQ(state().currentProjectPath.get(), folder("Kept.vorrind"));
}

} // namespace
} // namespace tl
