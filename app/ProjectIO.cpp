#include "app/ProjectIO.h"

#include "app/AppState.h"
#include "app/PackageLocation.h"
#include "platform/Log.h"
#include "platform/Text.h"

namespace tl {

ProjectIO::ProjectIO(Dialogs& dialogs, MainThreadScheduler& scheduler)
    : dialogs_(dialogs)
    , scheduler_(scheduler)
{
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

Result<void, PackageError> ProjectIO::saveProject(const std::filesystem::path& package, AppState& state)
{
    const auto location = normalizedPath(package);
    auto written = writePackage(location, state);
    if (!written) {
        reportFailure("save", "Save Failed", written.error());
        return written;
    }
    state.currentProjectPath = location;
    state.isDirty = false;
    state.addRecentProject(location);
    return {};
}

Result<void, PackageError> ProjectIO::loadProject(const std::filesystem::path& package, AppState& state)
{
    const auto location = normalizedPath(package);
    auto opened = readPackage(location);
    if (!opened) {
        reportFailure("load", "Load Failed", opened.error());
        return opened.error();
    }
    auto& [project, missing] = opened.value();
    state.applyOpenedProject(std::move(project.images), project.mode, location, project.magicPrompt, project.magicSize,
        project.magicTweenCount, project.magicStartingImageFileName);
    state.addRecentProject(location);
    if (!missing.empty()) {
        std::string list;
        for (const auto& name : missing)
            list += (list.empty() ? "" : "\n") + validUtf8(name);
        dialogs_.runAlert(Alert {
            .message = "Missing Images",
            .informativeText = "The following images could not be found:\n\n" + list,
            .style = AlertStyle::warning,
            .buttons = { "OK" },
        });
    }
    return {};
}

void ProjectIO::presentOpenPanel(
    const std::optional<std::filesystem::path>& startDirectory, const URLHandler& completion)
{
    if (const auto chosen = dialogs_.runOpenProjectPanel(startDirectory, packageForSelection)) completion(*chosen);
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
