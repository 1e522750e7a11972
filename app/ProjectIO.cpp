#include "app/ProjectIO.h"

#include "app/AppState.h"
#include "app/DynamicWallpaperImport.h"
#include "app/PackageFileNames.h"
#include "app/PackageLocation.h"
#include "app/PackageOpenLock.h"
#include "platform/ExceptionText.h"
#include "platform/Log.h"
#include "platform/Text.h"

#include <memory>

namespace tl {

ProjectIO::ProjectIO(Dialogs& dialogs, MainThreadScheduler& scheduler)
    : dialogs_(dialogs)
    , scheduler_(scheduler)
{
}

ProjectIO::~ProjectIO()
{
    if (!writing_) return;
    saver_.join();
    const auto& save = saves_.front();
    if (written_->result.ok()) save.state->addRecentProject(save.package);
}

void ProjectIO::reportFailure(const std::string& verb, const std::string& title, const PackageError& error)
{
    log("Failed to " + verb + " project: " + error.description);
    dialogs_.runAlert(Alert {
        .message = title,
        .informativeText = "Could not " + verb + " project: " + error.description,
        .style = AlertStyle::critical,
        .buttons = { "OK" },
    });
}

void ProjectIO::saveProject(const std::filesystem::path& package, AppState& state, SaveCompletion completion)
{
    PendingSave save { .package = normalizedPath(package),
        .state = &state,
        .project = state.projectGeneration(),
        .completion = std::move(completion) };
    if (writing_) save.askedFor = state.makeSnapshot();
    saves_.push_back(std::move(save));
    startNextSave();
}

Result<PackageContents, PackageError> ProjectIO::contentsToWrite(PendingSave& save) const
{
    // The same project is written as it is now, edits made while it waited included; the copy is
    // kept in case the save has to be asked again after another project took its place.
    if (!save.askedFor || save.state->projectGeneration() == save.project) save.askedFor = save.state->makeSnapshot();
    save.version = save.askedFor->contentVersion;
    auto contents = packageContents(save.package, *save.askedFor);
    if (!contents) return contents;
    auto& written = contents.value();
    if (written.inPlace && !save.replaceOtherChanges) written.expectedRecord = save.state->knownRecord(save.package);
    if (written.inPlace && openPackage_ && isSameFile(openPackage_->package(), save.package))
        written.openLock = openPackage_;
    written.keptFileNames.merge(save.state->fileNamesInUse());
    for (const auto& waiting : saves_) {
        if (waiting.askedFor) addFrameFileNames(waiting.askedFor->images, written.keptFileNames);
    }
    return contents;
}

void ProjectIO::startNextSave()
{
    while (!writing_ && !saves_.empty()) {
        auto contents = contentsToWrite(saves_.front());
        if (contents) {
            writing_ = true;
            auto shared = std::make_shared<const PackageContents>(std::move(contents).value());
            written_ = std::make_shared<PackageWriteOutcome>();
            saver_
                = std::jthread([&scheduler = scheduler_, alive = lifetime_.token(), this, shared, outcome = written_] {
                      *outcome = [&]() -> PackageWriteOutcome {
                          try {
                              return writePackage(*shared);
                          } catch (...) {
                              return { 0, PackageError { currentExceptionText() } };
                          }
                      }();
                      scheduler.schedule(std::chrono::milliseconds(0), [alive, this, shared, outcome] {
                          if (!alive.expired()) finishSave(*shared, *outcome);
                      });
                  });
            return;
        }
        auto save = std::move(saves_.front());
        saves_.pop_front();
        reportFailure("save", "Save Failed", contents.error());
        if (save.completion) save.completion(false);
    }
}

void ProjectIO::finishSave(const PackageContents& contents, const PackageWriteOutcome& outcome)
{
    writing_ = false;
    auto save = std::move(saves_.front());
    saves_.pop_front();
    AppState& state = *save.state;
    // Another project opened meanwhile keeps its own path, flag and files.
    const bool stillOpen = state.projectGeneration() == save.project;
    const bool framesKept = !stillOpen || placeFrames(state, contents, outcome.placedFrames);
    for (auto& waiting : saves_) {
        if (waiting.askedFor && waiting.project == save.project)
            placeFrames(waiting.askedFor->images, contents, outcome.placedFrames);
    }
    if (!outcome.result && outcome.result.error().changedElsewhere) {
        askAboutOtherChanges(std::move(save));
        return;
    }
    const bool saved = outcome.result.ok();
    if (saved) {
        if (stillOpen) {
            state.currentProjectPath = contents.package;
            holdOpenPackage(contents.package);
        }
        // Edits and undos made while the files were copied leave the project unlike the package.
        state.recordSavedState(contents.package, save.version, contents.record);
        if (!framesKept) state.isDirty = true;
        state.addRecentProject(contents.package);
    } else {
        reportFailure("save", "Save Failed", outcome.result.error());
    }
    if (save.completion) save.completion(saved && stillOpen);
    startNextSave();
}

void ProjectIO::askAboutOtherChanges(PendingSave save)
{
    const auto answer = dialogs_.runAlert(Alert {
        .message = "The project was changed by another program since you opened it.",
        .informativeText = "Save Anyway replaces those changes with this project.",
        .style = AlertStyle::warning,
        .buttons = { "Save Anyway", "Save As…", "Cancel" },
    });
    if (answer == 0) {
        save.replaceOtherChanges = true;
        saves_.push_front(std::move(save));
    } else if (answer == 1) {
        const auto folder = save.package.parent_path();
        const auto name = save.package.stem().string();
        presentSavePanel(
            name, folder,
            [&](const std::filesystem::path& chosen) {
                save.package = normalizedPath(chosen);
                save.replaceOtherChanges = false;
                saves_.push_front(std::move(save));
            },
            [&] {
                if (save.completion) save.completion(false);
            });
    } else if (save.completion) {
        save.completion(false);
    }
    startNextSave();
}

Result<void, PackageError> ProjectIO::loadProject(const std::filesystem::path& package, AppState& state)
{
    const auto location = normalizedPath(package);
    auto opened = readPackage(location);
    if (!opened) {
        reportFailure("load", "Load Failed", opened.error());
        return opened.error();
    }
    auto& [project, record, missing] = opened.value();
    state.applyOpenedProject(std::move(project.images), project.mode, location, project.magicPrompt, project.magicSize,
        project.magicTweenCount, project.magicStartingImageFileName, std::move(record));
    state.addRecentProject(location);
    holdOpenPackage(location);
    if (!missing.empty()) {
        std::string list;
        for (const auto& name : missing)
            list += (list.empty() ? "" : "\n") + escapedForDisplay(name);
        dialogs_.runAlert(Alert {
            .message = "Missing Images",
            .informativeText = "The following images could not be found:\n\n" + list,
            .style = AlertStyle::warning,
            .buttons = { "OK" },
        });
    }
    return {};
}

void ProjectIO::holdOpenPackage(const std::filesystem::path& package)
{
    if (openPackage_ && isSameFile(openPackage_->package(), package)) return;
    openPackage_ = std::make_shared<PackageOpenLock>(package);
}

void ProjectIO::presentOpenPanel(
    const std::optional<std::filesystem::path>& startDirectory, const URLHandler& completion)
{
    if (const auto chosen = dialogs_.runOpenProjectPanel(startDirectory, openableForSelection)) completion(*chosen);
}

void ProjectIO::presentSavePanel(const std::string& name, const std::optional<std::filesystem::path>& directory,
    const URLHandler& completion, const std::function<void()>& onCancel)
{
    if (const auto chosen = dialogs_.runSaveProjectPanel(name, directory, withSavedPackageExtension)) {
        completion(*chosen);
    } else if (onCancel) {
        onCancel();
    }
}

void ProjectIO::presentImportPanel(
    const std::optional<std::filesystem::path>& startDirectory, const ImportHandler& completion)
{
    const auto chosen = dialogs_.runImportPanel(startDirectory);
    if (!chosen.empty()) completion(chosen, chosen.front().parent_path());
}

void ProjectIO::presentOpenPanelDeferred(std::optional<std::filesystem::path> startDirectory, URLHandler completion)
{
    scheduler_.schedule(panelDelay,
        [this, alive = lifetime_.token(), startDirectory = std::move(startDirectory),
            completion = std::move(completion)] {
            if (alive.expired()) return;
            presentOpenPanel(startDirectory, completion);
        });
}

void ProjectIO::presentSavePanelDeferred(std::string name, std::optional<std::filesystem::path> directory,
    URLHandler completion, std::function<void()> onCancel)
{
    scheduler_.schedule(panelDelay,
        [this, alive = lifetime_.token(), name = std::move(name), directory = std::move(directory),
            completion = std::move(completion), onCancel = std::move(onCancel)] {
            if (alive.expired()) return;
            presentSavePanel(name, directory, completion, onCancel);
        });
}

} // namespace tl
