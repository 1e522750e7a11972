#pragma once

#include "app/ProjectPackage.h"
#include "app/UpdateChecker.h"
#include "shell/TidelumineApp.h"
#include "support/HangLimit.h"
#include "support/OfflinePlatform.h"
#include "support/ProjectFixture.h"
#include "ui/window/AppActions.h"
#include "ui/window/MainWindow.h"

#include <QCoreApplication>

#include <gmock/gmock.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace tl::testing {

// The buttons of the unsaved-changes question.
inline constexpr std::size_t save = 0;
inline constexpr std::size_t cancel = 1;
inline constexpr std::size_t dontSave = 2;

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
        if (!arrived_.wait_for(lock, testing::hangLimit, [this] { return !held_.empty(); })) return false;
        auto [delay, work] = std::move(held_.front());
        held_.pop_front();
        lock.unlock();
        scheduler.schedule(delay, std::move(work));
        return true;
    }

    ManualScheduler scheduler;

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
        app->start({});
    }
    ~RunningApp() { EXPECT_TRUE(dialogs.scriptFinished()) << "a scripted dialog never appeared"; }

    MainWindow& window() { return *app->mainWindow(); }
    AppActions& actions() { return window().actions(); }
    AppState& state() { return app->appState; }
    std::filesystem::path folder(const std::string& name) const { return temp.path() / name; }

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
        state().addImage(writeTestImage(folder("in") / name));
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
    std::vector<std::string> savedFileNames(const std::filesystem::path& package) const
    {
        const auto opened = readPackage(package);
        return opened ? fileNames(opened.value().project.images) : std::vector<std::string> { "unreadable" };
    }

    TemporaryFolder temp;
    OfflinePlatform platform;
    ScriptedDialogs dialogs;
    HeldWorkerPosts posts;
    // Emptied when the test quits the application as the process would end it.
    std::optional<TidelumineApp> app { std::in_place, platform.services(dialogs, posts) };
};

} // namespace tl::testing
