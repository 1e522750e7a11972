#pragma once

#include "platform/Dialogs.h"
#include "platform/MainThreadScheduler.h"
#include "support/HangLimit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <tuple>

namespace tl::testing {

// Answers dialogs from a script the test writes in advance, records every
// request, and fails the test on a dialog it did not expect.
class ScriptedDialogs final : public Dialogs {
public:
    struct SavePanelRequest {
        std::string proposedName;
        std::optional<std::filesystem::path> startDirectory;
    };

    void answerAlert(std::optional<std::size_t> button) { push({ .kind = Kind::alert, .button = button }); }
    void chooseInOpenPanel(std::optional<std::filesystem::path> choice)
    {
        push({ .kind = Kind::openPanel, .choice = std::move(choice) });
    }
    void chooseInSavePanel(std::optional<std::filesystem::path> choice)
    {
        push({ .kind = Kind::savePanel, .choice = std::move(choice) });
    }
    void chooseInImportPanel(std::vector<std::filesystem::path> files)
    {
        push({ .kind = Kind::importPanel, .files = std::move(files) });
    }

    void chooseInImagePanel(std::optional<std::filesystem::path> choice)
    {
        push({ .kind = Kind::imagePanel, .choice = std::move(choice) });
    }

    bool scriptFinished() const { return script_.empty(); }

    std::vector<Alert> alerts;
    std::vector<std::optional<std::filesystem::path>> openPanelStarts;
    std::vector<SavePanelRequest> savePanels;
    std::vector<std::optional<std::filesystem::path>> importPanelStarts;
    std::vector<std::optional<std::filesystem::path>> imagePanelStarts;

    std::optional<std::size_t> runAlert(const Alert& alert) override
    {
        alerts.push_back(alert);
        const auto answer = next(Kind::alert, "alert \"" + alert.message + "\"");
        return answer ? answer->button : std::nullopt;
    }

    std::optional<std::filesystem::path> runOpenProjectPanel(
        const std::optional<std::filesystem::path>& start, const PackageRule& packageFor) override
    {
        openPanelStarts.push_back(start);
        const auto answer = next(Kind::openPanel, "open panel");
        if (!answer || !answer->choice) return std::nullopt;
        return packageFor(*answer->choice);
    }

    std::optional<std::filesystem::path> runSaveProjectPanel(const std::string& proposedName,
        const std::optional<std::filesystem::path>& start, const SaveLocationRule& saveLocation) override
    {
        savePanels.push_back({ proposedName, start });
        const auto answer = next(Kind::savePanel, "save panel");
        if (!answer || !answer->choice) return std::nullopt;
        return saveLocation(*answer->choice);
    }

    std::vector<std::filesystem::path> runImportPanel(const std::optional<std::filesystem::path>& start) override
    {
        importPanelStarts.push_back(start);
        const auto answer = next(Kind::importPanel, "import panel");
        return answer ? answer->files : std::vector<std::filesystem::path> {};
    }

    std::optional<std::filesystem::path> runOpenImagePanel(const std::optional<std::filesystem::path>& start) override
    {
        imagePanelStarts.push_back(start);
        const auto answer = next(Kind::imagePanel, "image panel");
        return answer ? answer->choice : std::nullopt;
    }

private:
    enum class Kind { alert, openPanel, savePanel, importPanel, imagePanel };
    struct Answer {
        Kind kind;
        std::optional<std::size_t> button {};
        std::optional<std::filesystem::path> choice {};
        std::vector<std::filesystem::path> files {};
    };

    void push(Answer answer) { script_.push_back(std::move(answer)); }

    std::optional<Answer> next(Kind expected, const std::string& what)
    {
        if (script_.empty() || script_.front().kind != expected) {
            ADD_FAILURE() << "unexpected " << what;
            return std::nullopt;
        }
        auto answer = std::move(script_.front());
        script_.pop_front();
        return answer;
    }

    std::deque<Answer> script_;
};

// Holds scheduled work on a clock of its own until the test moves that clock.
// Work runs on the test's thread, as if it were the main thread, and may be
// scheduled from any thread.
class ManualScheduler final : public MainThreadScheduler {
public:
    void schedule(std::chrono::milliseconds delay, std::function<void()> work) override
    {
        {
            std::lock_guard lock(mutex_);
            delays_.push_back(delay);
            pending_.push_back({ now_ + delay, nextOrder_++, std::move(work) });
        }
        arrived_.notify_all();
    }

    // Moves the clock by `duration`, running what falls due in time order, including
    // what that work schedules in turn.
    void advance(std::chrono::milliseconds duration)
    {
        std::chrono::milliseconds target;
        {
            std::lock_guard lock(mutex_);
            target = now_ + duration;
        }
        while (auto work = takeDue(target))
            (*work)();
        std::lock_guard lock(mutex_);
        now_ = target;
    }

    // Runs what is due within the next second: deferred panels and posted results,
    // never the long timers.
    void runAll() { advance(soon); }

    // Waits until runAll() has something to run (work posted from a worker thread).
    bool waitForWork(std::chrono::milliseconds timeout = hangLimit)
    {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, timeout, [this] {
            return std::ranges::any_of(pending_, [this](const Pending& item) { return item.due <= now_ + soon; });
        });
    }

    std::size_t pendingCount() const
    {
        std::lock_guard lock(mutex_);
        return pending_.size();
    }

    std::vector<std::chrono::milliseconds> delays() const
    {
        std::lock_guard lock(mutex_);
        return delays_;
    }

private:
    static constexpr std::chrono::milliseconds soon { 1000 };

    struct Pending {
        std::chrono::milliseconds due;
        std::uint64_t order;
        std::function<void()> work;
    };

    std::optional<std::function<void()>> takeDue(std::chrono::milliseconds target)
    {
        std::lock_guard lock(mutex_);
        auto next = std::ranges::min_element(pending_,
            [](const Pending& a, const Pending& b) { return std::tie(a.due, a.order) < std::tie(b.due, b.order); });
        if (next == pending_.end() || next->due > target) return std::nullopt;
        now_ = std::max(now_, next->due);
        auto work = std::move(next->work);
        pending_.erase(next);
        return work;
    }

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::chrono::milliseconds now_ { 0 };
    std::uint64_t nextOrder_ = 0;
    std::vector<std::chrono::milliseconds> delays_;
    std::vector<Pending> pending_;
};

} // namespace tl::testing
