#include "app/ProjectPackage.h"
#include "app/UpdateChecker.h"
#include "shell/TidelumineApp.h"
#include "support/OfflinePlatform.h"
#include "support/ProjectFixture.h"
#include "ui/window/AppActions.h"
#include "ui/window/MainWindow.h"

#include <QCoreApplication>

#include <gmock/gmock.h>

#include <thread>

namespace tl {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t save = 0;
constexpr std::size_t cancel = 1;
constexpr std::size_t dontSave = 2;

// Keeps what worker threads post to the main thread until the test lets it through, so the
// test can act while a save is still copying. Posts from the main thread go straight on.
class HeldWorkerPosts final : public MainThreadScheduler {
public:
    void schedule(std::chrono::milliseconds delay, std::function<void()> work) override
    {
        if (std::this_thread::get_id() == mainThread_) {
            scheduler.schedule(delay, std::move(work));
            return;
        }
        {
            std::lock_guard lock(mutex_);
            held_.emplace_back(delay, std::move(work));
        }
        arrived_.notify_all();
    }

    // Waits for the next worker post and hands it to the scheduler.
    bool releaseNext()
    {
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, std::chrono::seconds(10), [this] { return !held_.empty(); })) return false;
        auto [delay, work] = std::move(held_.front());
        held_.pop_front();
        lock.unlock();
        scheduler.schedule(delay, std::move(work));
        return true;
    }

    testing::ManualScheduler scheduler;

private:
    const std::thread::id mainThread_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::pair<std::chrono::milliseconds, std::function<void()>>> held_;
};

// The real application and window over scripted dialogs, with worker results held back.
class RunningApp {
public:
    RunningApp()
    {
        // Checked just now, so no update check posts from a worker while the test holds posts.
        platform.defaults.set(UpdateChecker::lastCheckTimeKey,
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count());
        app.start({});
    }
    ~RunningApp() { EXPECT_TRUE(dialogs.scriptFinished()) << "a scripted dialog never appeared"; }

    MainWindow& window() { return *app.mainWindow(); }
    AppActions& actions() { return window().actions(); }
    AppState& state() { return app.appState; }
    fs::path folder(const std::string& name) const { return temp.path() / name; }

    void settle()
    {
        QCoreApplication::processEvents();
        posts.scheduler.runAll();
        QCoreApplication::processEvents();
    }
    void finishNextSave()
    {
        ASSERT_TRUE(posts.releaseNext()) << "no save finished";
        settle();
    }
    void addPicture(const std::string& name)
    {
        state().addImage(testing::writeTestImage(folder("in") / name));
        settle();
    }
    // Saves the open project through Save As and its panel, and waits for the copy.
    void saveAs(const std::string& name)
    {
        dialogs.chooseInSavePanel(folder(name));
        actions().saveAs.trigger();
        settle();
        finishNextSave();
    }
    void triggerRecent(const std::string& displayName)
    {
        for (QAction* item : actions().openRecentMenu.actions()) {
            if (item->text().toStdString() == displayName) {
                item->trigger();
                settle();
                return;
            }
        }
        ADD_FAILURE() << "no recent project " << displayName;
    }
    std::vector<std::string> savedFileNames(const fs::path& package) const
    {
        const auto opened = readPackage(package);
        return opened ? testing::fileNames(opened.value().project.images) : std::vector<std::string> { "unreadable" };
    }

    testing::TemporaryFolder temp;
    testing::OfflinePlatform platform;
    testing::ScriptedDialogs dialogs;
    HeldWorkerPosts posts;
    TidelumineApp app { platform.services(dialogs, posts) };
};

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
    EXPECT_FALSE(test.app.lifecycle.isTerminating);
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
    EXPECT_FALSE(app.lifecycle.shouldBypassCloseCheck);

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
