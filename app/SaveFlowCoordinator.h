#pragma once

#include "platform/Lifetime.h"

#include <functional>
#include <string>

namespace tl {

class AppState;
class AppUIState;
class ProjectIO;

// Asks what to do with unsaved changes before an operation would discard them,
// saving first when asked to. The waiting operation runs once the save, which copies
// on a worker, has succeeded, and only while the project it saved is still open; edits
// made during the copy bring the question back. A failed save counts as "Cancel": the
// operation does not run and the project stays dirty. Main thread only.
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
    // Always answers exactly once, possibly after a save panel.
    void confirmBeforeQuitting(AppState& appState, AppUIState& uiState, TerminationReply replyToTermination);
    // Saves through the deferred panel into the folder last saved to, then runs `saved` (only
    // after a successful save of the project still open) or else `cancelled`; either may be empty.
    void saveThroughPanel(std::string_view name, AppState& appState, Action saved, Action cancelled);

private:
    void guard(const std::string& title, AppState& appState, Action action);

    ProjectIO& projectIO_;
    AppUIState& uiState_;
    Lifetime lifetime_;
};

} // namespace tl
