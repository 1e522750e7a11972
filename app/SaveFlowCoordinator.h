#pragma once

#include "platform/Lifetime.h"
#include "platform/Observation.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tl {

class AppState;
class AppUIState;
class ProjectIO;

// Asks what to do with unsaved changes before an operation would discard them,
// saving first when asked to. The waiting operation runs once the save, which copies
// on a worker, has succeeded, and only while the project it saved is still open; edits
// made during the copy bring the question back. A failed save counts as "Cancel": the
// operation does not run and the project stays dirty. A quit or a window close asked for while a
// save copies waits for the copy to end. Main thread only.
class SaveFlowCoordinator {
public:
    using Action = std::function<void()>;
    // Answers the application's pending request to terminate.
    using TerminationReply = std::function<void(bool)>;

    static constexpr std::string_view untitledName = "Untitled.vorrind";
    static constexpr std::string_view untitledQuitName = "Untitled.tidelumine";

    SaveFlowCoordinator(ProjectIO& projectIO, AppUIState& uiState);

    void confirmUnsavedChanges(const std::string& title, AppState& appState, AppUIState& uiState, Action action);
    void runAfterUnsavedChangesCheck(const std::string& title, AppState& appState, Action action);
    void confirmBeforeClosingWindow(
        const std::string& title, AppState& appState, AppUIState& uiState, Action completion);
    // Always answers exactly once, possibly after a save panel. While a save copies, the answer
    // waits for it (the window shows isFinishingSaves) and then asks only if changes are left unsaved.
    void confirmBeforeQuitting(AppState& appState, AppUIState& uiState, TerminationReply replyToTermination);
    // Saves through the deferred panel into the folder last saved to, then runs `saved` (only
    // after a successful save of the project still open) or else `cancelled`; either may be empty.
    void saveThroughPanel(std::string_view name, AppState& appState, Action saved, Action cancelled);
    // Every save of the application goes through here, so a quit knows what it has to wait for.
    void save(
        const std::filesystem::path& package, AppState& appState, std::function<void(bool saved)> completion = {});

    bool isSaving() const { return savesUnderWay_ > 0; }
    // Runs `then` once no save is under way (at once when none is); isFinishingSaves is true meanwhile.
    void afterSaves(Action then);
    // True while a quit or a close waits for a save to end.
    Observable<bool> isFinishingSaves { false };

private:
    void guard(const std::string& title, AppState& appState, Action action);
    void saveEnded();

    ProjectIO& projectIO_;
    AppUIState& uiState_;
    int savesUnderWay_ = 0;
    std::vector<Action> waitingForSaves_;
    Lifetime lifetime_;
};

} // namespace tl
