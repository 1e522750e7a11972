#pragma once

#include "app/ProjectPackage.h"
#include "platform/Dialogs.h"
#include "platform/Lifetime.h"
#include "platform/MainThreadScheduler.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tl {

class AppState;

// Saves and opens project packages for the store, reporting failures in alerts,
// and shows the document panels. Main thread only.
class ProjectIO {
public:
    using URLHandler = std::function<void(const std::filesystem::path&)>;
    using ImportHandler = std::function<void(const std::vector<std::filesystem::path>&, const std::filesystem::path&)>;

    static constexpr std::chrono::milliseconds panelDelay { 100 };

    ProjectIO(Dialogs& dialogs, MainThreadScheduler& scheduler);

    // On success the project is clean, at `package`, and first among the recent
    // projects; on failure nothing of that changes and "Save Failed" was shown.
    Result<void, PackageError> saveProject(const std::filesystem::path& package, AppState& state);
    // Replaces the open project as one undoable step; on failure "Load Failed" was
    // shown and the store is untouched.
    Result<void, PackageError> loadProject(const std::filesystem::path& package, AppState& state);

    void presentOpenPanel(const std::optional<std::filesystem::path>& startDirectory, const URLHandler& completion);
    void presentSavePanel(const std::string& name, const std::optional<std::filesystem::path>& directory,
        const URLHandler& completion, const std::function<void()>& onCancel);
    void presentImportPanel(
        const std::optional<std::filesystem::path>& startDirectory, const ImportHandler& completion);

    // Show the panel a moment later, after the caller has returned.
    void presentOpenPanelDeferred(std::optional<std::filesystem::path> startDirectory, URLHandler completion);
    void presentSavePanelDeferred(std::string name, std::optional<std::filesystem::path> directory,
        URLHandler completion, std::function<void()> onCancel);

    Dialogs& dialogs() { return dialogs_; }

private:
    // `verb` is "save" or "load".
    void reportFailure(const std::string& verb, const std::string& title, const PackageError& error);

    Dialogs& dialogs_;
    MainThreadScheduler& scheduler_;
    Lifetime lifetime_;
};

} // namespace tl
