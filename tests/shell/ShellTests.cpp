#include "app/AppCommandCenter.h"
#include "app/SaveFlowCoordinator.h"
#include "shell/TidelumineApp.h"
#include "support/OfflinePlatform.h"
#include "support/ProjectFixture.h"
#include "ui/window/AppActions.h"
#include "ui/window/MainWindow.h"

#include <QApplication>

#include <gmock/gmock.h>

namespace tl {
namespace {

namespace fs = std::filesystem;

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "shell_tests";
        static char* argv[] = { name, nullptr };
        application_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { application_.reset(); }

private:
    std::unique_ptr<QApplication> application_;
};

const auto* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

std::vector<std::pair<std::string, bool>> menuItems(const QMenu& menu)
{
    std::vector<std::pair<std::string, bool>> items;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator()) items.emplace_back(action->text().toStdString(), action->isEnabled());
    }
    return items;
}

class AppActionsTest : public testing::ProjectTest {
protected:
    SaveFlowCoordinator flow { projectIO, ui };
    AppCommandCenter commands { state, ui, projectIO, flow };
    AppActions actions { commands, *undo, {} };

    struct Enabled {
        bool closeProject, save, saveAs, exportWallpaper, deleteAllTweens, playback;
        friend bool operator==(const Enabled&, const Enabled&) = default;
    };
    Enabled enabled() const
    {
        return { actions.closeProject.isEnabled(), actions.save.isEnabled(), actions.saveAs.isEnabled(),
            actions.exportWallpaper.isEnabled(), actions.deleteAllTweens.isEnabled(), actions.playback.isEnabled() };
    }
};

TEST_F(AppActionsTest, EnabledStatesFollowTheStore)
{
    EXPECT_EQ(enabled(), (Enabled { false, false, true, false, false, false }));

    state.currentProjectPath = folder("Empty.vorrind");
    EXPECT_EQ(enabled(), (Enabled { true, false, true, false, false, false }));
    state.currentProjectPath = std::nullopt;

    importImages({ "a.png" });
    EXPECT_EQ(enabled(), (Enabled { true, true, true, true, false, true }));

    state.addImage(testing::tweenOf(state.images.get()[0], "t.png"));
    EXPECT_EQ(enabled(), (Enabled { true, true, true, true, true, true }));

    state.setMode(WallpaperMode::appearance);
    EXPECT_FALSE(actions.playback.isEnabled());
    state.setMode(WallpaperMode::time);

    state.isDirty = false;
    EXPECT_FALSE(actions.save.isEnabled());

    EXPECT_EQ(actions.playback.text(), "Play Playback");
    actions.playback.trigger();
    EXPECT_TRUE(ui.isTimelinePlaying.get());
    EXPECT_EQ(actions.playback.text(), "Pause Playback");

    endEvent();
    EXPECT_TRUE(actions.undo.isEnabled());
    EXPECT_FALSE(actions.redo.isEnabled());
    actions.undo.trigger();
    EXPECT_TRUE(actions.redo.isEnabled());
}

TEST_F(AppActionsTest, OpenRecentDisablesMissingPackagesAndClearMenuEmptiesTheStoredList)
{
    EXPECT_EQ(menuItems(actions.openRecentMenu),
        (std::vector<std::pair<std::string, bool>> { { "No Recent Projects", false } }));

    ASSERT_TRUE(saveProject(folder("Kept.vorrind/")));
    state.addRecentProject(folder("Gone.vorrind"));
    EXPECT_EQ(menuItems(actions.openRecentMenu),
        (std::vector<std::pair<std::string, bool>> { { "Gone", false }, { "Kept", true }, { "Clear Menu", true } }));

    actions.openRecentMenu.actions().back()->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(state.recentProjects.get().empty());
    EXPECT_EQ(AppState(defaults).recentProjects.get().size(), 0u);
    EXPECT_EQ(menuItems(actions.openRecentMenu),
        (std::vector<std::pair<std::string, bool>> { { "No Recent Projects", false } }));
}

TEST(ShellEndToEndTest, NewImportSaveAsReopenAndUndoThroughTheRealWindow)
{
    testing::TemporaryFolder temp;
    testing::OfflinePlatform platform;
    testing::ScriptedDialogs dialogs;
    testing::ManualScheduler scheduler;
    TidelumineApp app(platform.services(dialogs, scheduler));
    app.start({});
    ASSERT_NE(app.mainWindow(), nullptr);
    AppActions& actions = app.mainWindow()->actions();
    const auto settle = [&] {
        QCoreApplication::processEvents();
        scheduler.runAll();
        QCoreApplication::processEvents();
    };

    actions.newProject.trigger();
    dialogs.chooseInImportPanel(
        { testing::writeTestImage(temp.path() / "in/one.png"), testing::writeTestImage(temp.path() / "in/two.png") });
    app.commandCenter.presentImportPanel();
    settle();
    // The importer decodes the files on a worker; they arrive through the event loop.
    while (app.appState.images.get().size() < 2 && scheduler.waitForWork())
        settle();
    ASSERT_EQ(app.appState.images.get().size(), 2u);
    EXPECT_EQ(app.uiState.lastImportDirectory.get(), temp.path() / "in");

    dialogs.chooseInSavePanel(temp.path() / "Day");
    actions.saveAs.trigger();
    settle();
    // The files are copied on a worker, whose outcome comes back through the scheduler.
    while (!app.appState.currentProjectPath.get() && scheduler.waitForWork())
        settle();
    const auto package = temp.path() / "Day.vorrind";
    EXPECT_EQ(app.appState.currentProjectPath.get(), package);
    EXPECT_FALSE(actions.save.isEnabled());

    actions.newProject.trigger();
    settle();
    EXPECT_TRUE(app.appState.images.get().empty());

    dialogs.chooseInOpenPanel(package / "project.json");
    actions.open.trigger();
    settle();
    EXPECT_EQ(testing::fileNames(app.appState.images.get()), (std::vector<std::string> { "one.png", "two.png" }));
    EXPECT_EQ(app.uiState.lastOpenDirectory.get(), temp.path());

    actions.undo.trigger();
    settle();
    EXPECT_TRUE(app.appState.images.get().empty());
    actions.redo.trigger();
    EXPECT_EQ(app.appState.images.get().size(), 2u);
    EXPECT_TRUE(dialogs.scriptFinished());
}

} // namespace
} // namespace tl
