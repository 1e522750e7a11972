#include "RunningApp.h"

#include "model/RecentProjectCoding.h"

namespace tl {
namespace {

namespace fs = std::filesystem;
using testing::dontSave;
using testing::RunningApp;

void undo(RunningApp& test)
{
    test.actions().undo.trigger();
    test.settle();
}

void redo(RunningApp& test)
{
    test.actions().redo.trigger();
    test.settle();
}

void saveInPlace(RunningApp& test)
{
    test.actions().save.trigger();
    test.finishNextSave();
}

// Starting from A (a.png) saved and clean, with B, a package of its own, among the recent projects.
struct UndoAcrossSave {
    std::string name;
    std::function<void(RunningApp&)> steps;
    std::string openPackage;
    bool dirty;
};

TEST(UndoAcrossSave, TheProjectIsCleanExactlyWhenItIsWhatItsPackageHolds)
{
    const std::vector<UndoAcrossSave> rows {
        { .name = "edit, save, undo",
            .steps =
                [](RunningApp& test) {
                    test.addPicture("b.png");
                    saveInPlace(test);
                    undo(test);
                },
            .openPackage = "A.vorrind",
            .dirty = true },
        { .name = "edit, save, undo, redo",
            .steps =
                [](RunningApp& test) {
                    test.addPicture("b.png");
                    saveInPlace(test);
                    undo(test);
                    redo(test);
                },
            .openPackage = "A.vorrind",
            .dirty = false },
        { .name = "save, edit, undo",
            .steps =
                [](RunningApp& test) {
                    test.addPicture("b.png");
                    saveInPlace(test);
                    test.addPicture("c.png");
                    undo(test);
                },
            .openPackage = "A.vorrind",
            .dirty = false },
        { .name = "open A, open B, undo",
            .steps =
                [](RunningApp& test) {
                    test.triggerRecent("A");
                    test.triggerRecent("B");
                    undo(test);
                },
            .openPackage = "A.vorrind",
            .dirty = false },
        { .name = "dirty A, New with \"Don't Save\", undo",
            .steps =
                [](RunningApp& test) {
                    test.addPicture("b.png");
                    test.dialogs.answerAlert(dontSave);
                    test.actions().newProject.trigger();
                    test.settle();
                    undo(test);
                },
            .openPackage = "A.vorrind",
            .dirty = true },
        { .name = "a save that finishes after an undo made during its copy",
            .steps =
                [](RunningApp& test) {
                    test.addPicture("b.png");
                    test.actions().save.trigger();
                    test.settle();
                    undo(test);
                    test.finishNextSave();
                },
            .openPackage = "A.vorrind",
            .dirty = true },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RunningApp test;
        test.addPicture("a.png");
        test.saveAs("A");
        fs::copy(test.folder("A.vorrind"), test.folder("B.vorrind"), fs::copy_options::recursive);
        test.state().addRecentProject(test.folder("B.vorrind"));

        row.steps(test);
        EXPECT_EQ(test.state().currentProjectPath.get(), test.folder(row.openPackage));
        EXPECT_EQ(test.state().isDirty.get(), row.dirty);
        EXPECT_EQ(test.window().isWindowModified(), row.dirty);
        EXPECT_EQ(test.actions().save.isEnabled(), row.dirty);
    }
}

TEST(UndoAcrossSave, ASaveAsStillCopyingWhenTheProgramQuitsIsAmongTheRecentProjects)
{
    RunningApp test;
    test.addPicture("a.png");
    test.saveAs("A");
    test.dialogs.chooseInSavePanel(test.folder("Copy"));
    test.actions().saveAs.trigger();
    test.settle();

    // The project is clean, so quitting asks nothing; the process then ends with the copy's result held.
    test.actions().quit.trigger();
    test.settle();
    test.app.reset();

    EXPECT_EQ(test.savedFileNames(test.folder("Copy.vorrind")), std::vector<std::string> { "a.png" });
    const auto stored = test.platform.defaults.data(AppState::recentProjectsKey);
    ASSERT_TRUE(stored);
    const auto recent = decodeRecentProjects(stored->bytes);
    ASSERT_TRUE(recent);
    ASSERT_FALSE(recent.value().empty());
    EXPECT_EQ(recent.value().front().path, test.folder("Copy.vorrind").string());
}

} // namespace
} // namespace tl
