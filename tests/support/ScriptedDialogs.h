#pragma once

#include "platform/Dialogs.h"
#include "platform/MainThreadScheduler.h"

#include <gtest/gtest.h>

#include <deque>
#include <variant>

namespace tl::testing {

// Answers dialogs from a script the test writes in advance, records every
// request, and fails the test on a dialog it did not expect.
class ScriptedDialogs final : public Dialogs {
public:
    struct AlertAnswer {
        std::optional<std::size_t> button;
    };
    struct OpenPanelAnswer {
        std::optional<std::filesystem::path> choice;
    };
    struct SavePanelAnswer {
        std::optional<std::filesystem::path> choice;
    };
    struct ImportPanelAnswer {
        std::vector<std::filesystem::path> choice;
    };
    using Answer = std::variant<AlertAnswer, OpenPanelAnswer, SavePanelAnswer, ImportPanelAnswer>;

    struct SavePanelRequest {
        std::string proposedName;
        std::optional<std::filesystem::path> startDirectory;
    };

    void answerAlert(std::optional<std::size_t> button) { script_.push_back(AlertAnswer { button }); }
    void chooseInOpenPanel(std::optional<std::filesystem::path> choice)
    {
        script_.push_back(OpenPanelAnswer { choice });
    }
    void chooseInSavePanel(std::optional<std::filesystem::path> choice)
    {
        script_.push_back(SavePanelAnswer { choice });
    }
    void chooseInImportPanel(std::vector<std::filesystem::path> files)
    {
        script_.push_back(ImportPanelAnswer { std::move(files) });
    }

    bool scriptFinished() const { return script_.empty(); }

    std::vector<Alert> alerts;
    std::vector<std::optional<std::filesystem::path>> openPanelStarts;
    std::vector<SavePanelRequest> savePanels;
    std::vector<std::optional<std::filesystem::path>> importPanelStarts;

    std::optional<std::size_t> runAlert(const Alert& alert) override
    {
        alerts.push_back(alert);
        if (const auto* answer = next<AlertAnswer>("alert \"" + alert.message + "\"")) return answer->button;
        return std::nullopt;
    }

    std::optional<std::filesystem::path> runOpenProjectPanel(
        const std::optional<std::filesystem::path>& start, const PackageRule& packageFor) override
    {
        openPanelStarts.push_back(start);
        const auto* answer = next<OpenPanelAnswer>("open panel");
        if (!answer || !answer->choice) return std::nullopt;
        return packageFor(*answer->choice);
    }

    std::optional<std::filesystem::path> runSaveProjectPanel(const std::string& proposedName,
        const std::optional<std::filesystem::path>& start, const SaveLocationRule& saveLocation) override
    {
        savePanels.push_back({ proposedName, start });
        const auto* answer = next<SavePanelAnswer>("save panel");
        if (!answer || !answer->choice) return std::nullopt;
        return saveLocation(*answer->choice);
    }

    std::vector<std::filesystem::path> runImportPanel(const std::optional<std::filesystem::path>& start) override
    {
        importPanelStarts.push_back(start);
        const auto* answer = next<ImportPanelAnswer>("import panel");
        return answer ? answer->choice : std::vector<std::filesystem::path> {};
    }

private:
    template <class Expected> const Expected* next(const std::string& what)
    {
        if (script_.empty() || !std::holds_alternative<Expected>(script_.front())) {
            ADD_FAILURE() << "unexpected " << what;
            return nullptr;
        }
        current_ = script_.front();
        script_.pop_front();
        return &std::get<Expected>(current_);
    }

    std::deque<Answer> script_;
    Answer current_;
};

// Holds scheduled work until the test runs it.
class ManualScheduler final : public MainThreadScheduler {
public:
    void schedule(std::chrono::milliseconds delay, std::function<void()> work) override
    {
        delays.push_back(delay);
        pending_.push_back(std::move(work));
    }

    // Runs everything scheduled so far, and what that schedules in turn.
    void runAll()
    {
        while (!pending_.empty()) {
            auto work = std::move(pending_.front());
            pending_.pop_front();
            work();
        }
    }

    std::size_t pendingCount() const { return pending_.size(); }

    std::vector<std::chrono::milliseconds> delays;

private:
    std::deque<std::function<void()>> pending_;
};

} // namespace tl::testing
