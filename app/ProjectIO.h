#pragma once

#include "app/AppState.h"
#include "app/ProjectPackage.h"
#include "platform/Dialogs.h"
#include "platform/Lifetime.h"
#include "platform/MainThreadScheduler.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tl {

// Saves and opens project packages for the store, reporting failures in alerts,
// and shows the document panels. Main thread only.
class ProjectIO {
public:
    using URLHandler = std::function<void(const std::filesystem::path&)>;
    using ImportHandler = std::function<void(const std::vector<std::filesystem::path>&, const std::filesystem::path&)>;
    using SaveCompletion = std::function<void(bool saved)>;

    static constexpr std::chrono::milliseconds panelDelay { 100 };

    ProjectIO(Dialogs& dialogs, MainThreadScheduler& scheduler);
    // Waits for the write under way; a package it wrote whole still goes first among the recent
    // projects, so quitting during a save loses nothing of it.
    ~ProjectIO();
    ProjectIO(const ProjectIO&) = delete;
    ProjectIO& operator=(const ProjectIO&) = delete;

    // Copies the frame files and writes the record on a worker. Back on the main thread, on
    // success `package` is first among the recent projects and, if the project saved is still
    // the open one, the project is at `package` and clean (unless it was edited or undone
    // meanwhile: it is clean only while it is the state the package holds); on
    // failure nothing of that changes and "Save Failed" was shown. Then `completion` hears
    // whether the open project was saved: false after a failure and when another project has
    // taken its place. A package another program saved since this one read or wrote it is only
    // written over, or saved elsewhere, once the user says so. A save asked for while another runs starts when that one
    // has ended, and writes the project that was open when it was asked for. `state` must outlive the save, and this
    // object while the save writes.
    void saveProject(const std::filesystem::path& package, AppState& state, SaveCompletion completion = {});
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
    struct PendingSave {
        std::filesystem::path package;
        AppState* state;
        // The project it saves, by its generation in the store.
        std::uint64_t project;
        SaveCompletion completion;
        // The content version written, once the write has started.
        std::uint64_t version = 0;
        // A save that has to wait keeps the project as it was asked for, in case another one is
        // open when it starts; earlier saves place their files in this copy as in the store.
        std::optional<AppState::Snapshot> askedFor {};
        // The user chose to save over what another program wrote to the package meanwhile.
        bool replaceOtherChanges = false;
    };

    // `verb` is "save" or "load".
    void reportFailure(const std::string& verb, const std::string& title, const PackageError& error);
    void startNextSave();
    void finishSave(const PackageContents& contents, const PackageWriteOutcome& outcome);
    // Another program saved the package since this instance read or wrote it: Save Anyway, Save
    // As… or Cancel.
    void askAboutOtherChanges(PendingSave save);
    Result<PackageContents, PackageError> contentsToWrite(PendingSave& save) const;

    // Holds the package the project was last opened from or saved to, so another instance's save
    // leaves the frame files this one's undo history may bring back.
    void holdOpenPackage(const std::filesystem::path& package);

    Dialogs& dialogs_;
    MainThreadScheduler& scheduler_;
    std::shared_ptr<PackageOpenLock> openPackage_;
    // While writing, the front save is on the worker; the others wait for it.
    std::deque<PendingSave> saves_;
    bool writing_ = false;
    // Filled by the worker of the write under way before it posts its end.
    std::shared_ptr<PackageWriteOutcome> written_;
    Lifetime lifetime_;
    // Last, so it is joined before the rest goes away.
    std::jthread saver_;
};

} // namespace tl
