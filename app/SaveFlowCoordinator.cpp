#include "app/SaveFlowCoordinator.h"

#include "app/AppState.h"
#include "app/AppUIState.h"
#include "app/ProjectIO.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace tl {
namespace {

constexpr std::size_t saveButton = 0;
constexpr std::size_t dontSaveButton = 2;

std::string lowercased(std::string text)
{
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

Alert unsavedChangesAlert(std::string informativeText, std::string saveTitle)
{
    return Alert {
        .message = "You have unsaved changes.",
        .informativeText = std::move(informativeText),
        .style = AlertStyle::warning,
        .buttons = { std::move(saveTitle), "Cancel", "Don't Save" },
    };
}

} // namespace

SaveFlowCoordinator::SaveFlowCoordinator(ProjectIO& projectIO, AppUIState& uiState)
    : projectIO_(projectIO)
    , uiState_(uiState)
{
}

void SaveFlowCoordinator::confirmUnsavedChanges(
    const std::string& title, AppState& appState, AppUIState&, Action action)
{
    guard(title, appState, std::move(action));
}

void SaveFlowCoordinator::runAfterUnsavedChangesCheck(const std::string& title, AppState& appState, Action action)
{
    guard(title, appState, std::move(action));
}

void SaveFlowCoordinator::confirmBeforeClosingWindow(
    const std::string& title, AppState& appState, AppUIState&, Action completion)
{
    guard(title, appState, std::move(completion));
}

void SaveFlowCoordinator::guard(const std::string& title, AppState& appState, Action action)
{
    if (!appState.isDirty.get()) {
        action();
        return;
    }
    const auto answer = projectIO_.dialogs().runAlert(
        unsavedChangesAlert("Do you want to save before " + lowercased(title) + "?", "Save"));
    if (answer == dontSaveButton) {
        action();
    } else if (answer == saveButton) {
        // Edits made while the files were copied are unsaved again, so the question comes back.
        auto askAgain = [this, alive = lifetime_.token(), title, &appState, action = std::move(action)] {
            if (!alive.expired()) guard(title, appState, action);
        };
        if (const auto path = appState.currentProjectPath.get()) {
            save(*path, appState, [askAgain = std::move(askAgain)](bool saved) {
                if (saved) askAgain();
            });
        } else {
            saveThroughPanel(untitledName, appState, std::move(askAgain), {});
        }
    }
}

void SaveFlowCoordinator::confirmBeforeQuitting(
    AppState& appState, AppUIState& uiState, TerminationReply replyToTermination)
{
    if (isSaving()) {
        // Quitting now would cut the copy off while the window seemed gone; what the save
        // leaves unsaved (it failed, or edits came meanwhile) is asked about once it has ended.
        afterSaves([this, &appState, &uiState, replyToTermination] {
            if (appState.isDirty.get()) {
                confirmBeforeQuitting(appState, uiState, replyToTermination);
            } else {
                replyToTermination(true);
            }
        });
        return;
    }
    const auto answer
        = projectIO_.dialogs().runAlert(unsavedChangesAlert("Do you want to save before quitting?", "Save & Quit"));
    if (answer == dontSaveButton) {
        replyToTermination(true);
    } else if (answer == saveButton) {
        // Quits only when the project it saved is still open and has no edits made while the
        // files were copied; those bring the question back.
        auto afterSave = [this, alive = lifetime_.token(), &appState, &uiState, replyToTermination](bool saved) {
            if (saved && !alive.expired() && appState.isDirty.get()) {
                confirmBeforeQuitting(appState, uiState, replyToTermination);
            } else {
                replyToTermination(saved);
            }
        };
        if (const auto path = appState.currentProjectPath.get()) {
            save(*path, appState, std::move(afterSave));
        } else {
            saveThroughPanel(
                untitledQuitName, appState, [afterSave] { afterSave(true); },
                [replyToTermination] { replyToTermination(false); });
        }
    } else {
        replyToTermination(false);
    }
}

void SaveFlowCoordinator::saveThroughPanel(std::string_view name, AppState& appState, Action saved, Action cancelled)
{
    auto completion = [this, alive = lifetime_.token(), &appState, saved, cancelled](const std::filesystem::path& url) {
        if (alive.expired()) return;
        uiState_.lastSaveDirectory = url.parent_path();
        save(url, appState, [saved, cancelled](bool wasSaved) {
            const auto& next = wasSaved ? saved : cancelled;
            if (next) next();
        });
    };
    projectIO_.presentSavePanelDeferred(
        std::string(name), uiState_.lastSaveDirectory.get(), std::move(completion), std::move(cancelled));
}

void SaveFlowCoordinator::save(
    const std::filesystem::path& package, AppState& appState, std::function<void(bool saved)> completion)
{
    ++savesUnderWay_;
    projectIO_.saveProject(package, appState, [this, alive = lifetime_.token(), completion](bool saved) {
        if (!alive.expired()) --savesUnderWay_;
        // The save's own continuation first: it may start the next save, which is waited for too.
        if (completion) completion(saved);
        if (!alive.expired()) saveEnded();
    });
}

void SaveFlowCoordinator::afterSaves(Action then)
{
    if (!isSaving()) {
        then();
        return;
    }
    waitingForSaves_.push_back(std::move(then));
    isFinishingSaves = true;
}

void SaveFlowCoordinator::saveEnded()
{
    if (isSaving() || waitingForSaves_.empty()) return;
    auto waiting = std::exchange(waitingForSaves_, {});
    isFinishingSaves = false;
    for (auto& then : waiting)
        afterSaves(std::move(then));
}

} // namespace tl
