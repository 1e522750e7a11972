#include "app/AppUIState.h"

#include <cmath>

namespace tl {

AppUIState::AppUIState(Defaults& defaults)
    : defaults_(defaults)
{
    for (const auto& folder : folders()) {
        folder.field->setDidSet([this, folder](const std::optional<std::filesystem::path>&) {
            if (!isLoadingDirectories.get()) storeDirectory(folder.field->get(), folder.key);
        });
    }
    loadDirectories();
    if (const auto stored = defaults_.real(upscaleSecondsPerTileKey); stored && std::isfinite(*stored) && *stored > 0)
        upscaleSecondsPerTile = *stored;
    upscaleSecondsPerTile.setDidSet([this](const std::optional<double>&) {
        if (const auto seconds = upscaleSecondsPerTile.get()) {
            defaults_.set(upscaleSecondsPerTileKey, *seconds);
        } else {
            defaults_.remove(upscaleSecondsPerTileKey);
        }
    });
}

std::vector<AppUIState::Folder> AppUIState::folders()
{
    return {
        { &lastImportDirectory, lastImportDirectoryKey },
        { &lastOpenDirectory, lastOpenDirectoryKey },
        { &lastSaveDirectory, lastSaveDirectoryKey },
        { &lastExportDirectory, lastExportDirectoryKey },
    };
}

void AppUIState::loadDirectories()
{
    isLoadingDirectories = true;
    for (const auto& folder : folders()) {
        const auto stored = defaults_.string(folder.key);
        folder.field->set(stored ? std::optional<std::filesystem::path>(*stored) : std::nullopt);
    }
    isLoadingDirectories = false;
}

void AppUIState::storeDirectory(const std::optional<std::filesystem::path>& folder, std::string_view key)
{
    if (folder) {
        defaults_.set(key, folder->string());
    } else {
        defaults_.remove(key);
    }
}

void AppUIState::cancelExport()
{
    if (exportTask.get()) {
        auto task = *exportTask.get();
        task.request_stop();
    }
    exportTask = std::nullopt;
    isExportingHeic = false;
    exportMessage = "Export cancelled";
    exportFrames.set({});
}

} // namespace tl
