#include "ui/library/DynamicWallpaperOpener.h"

#include "app/AppState.h"
#include "app/DynamicWallpaperImport.h"
#include "platform/Dialogs.h"
#include "platform/Uuid.h"

namespace tl::ui {
namespace {

constexpr const char* actionName = "Import Dynamic Wallpaper";

} // namespace

DynamicWallpaperOpener::DynamicWallpaperOpener(
    AppState& appState, Dialogs& dialogs, LocationSource location, WorkerRuns::Poster poster)
    : appState_(appState)
    , dialogs_(dialogs)
    , location_(std::move(location))
    , runs_(std::move(poster))
{
}

void DynamicWallpaperOpener::open(const std::filesystem::path& heic)
{
    std::optional<ClockPlace> place;
    if (const auto where = location_ ? location_() : std::nullopt) place = ClockPlace { *where, TimeZone::current() };
    const std::uint64_t project = appState_.projectGeneration();
    runs_.start([this, heic, place, project](const WorkerRuns::Run& run) {
        // The frames stay here for as long as the untitled project shows them; saving copies them.
        const auto folder = std::filesystem::temp_directory_path() / ("TidelumineImport-" + Uuid::random().text());
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        auto imported = importDynamicWallpaper(heic, folder, place, run.stopToken());
        run.postAlways([this, run, folder, imported = std::move(imported), project]() mutable {
            // Frames nobody will show are removed; the folder is this run's own.
            if (!imported || !run.isCurrent() || appState_.projectGeneration() != project) {
                std::error_code ignored;
                std::filesystem::remove_all(folder, ignored);
            }
            if (!run.isCurrent()) return;
            if (!imported) {
                if (imported.error().cancelled) return;
                dialogs_.runAlert({ "Import Failed", imported.error().message, AlertStyle::warning, { "OK" } });
                return;
            }
            if (appState_.projectGeneration() != project) return;
            auto& wallpaper = imported.value();
            appState_.beginBatch(actionName);
            appState_.setImages(std::move(wallpaper.images), wallpaper.mode, true);
            appState_.endBatch();
            if (wallpaper.notice)
                dialogs_.runAlert(
                    { "Opened as a New Project", *wallpaper.notice, AlertStyle::informational, { "OK" } });
        });
    });
}

} // namespace tl::ui
