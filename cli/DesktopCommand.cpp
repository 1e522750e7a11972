#include "cli/DesktopCommand.h"

#include "app/DynamicWallpaperImport.h"
#include "app/ProjectPackage.h"
#include "cli/WorkingFolder.h"
#include "engine/desktop/DesktopInstall.h"
#include "engine/desktop/ProjectWallpaper.h"
#include "platform/UserFolders.h"

namespace tl::cli {
namespace {

namespace fs = std::filesystem;

struct WallpaperProject {
    std::vector<WallpaperImage> images;
    WallpaperMode mode = WallpaperMode::time;
};

// The frames as the window would hold them after opening `source`; a HEIC's go into `scratch`.
Result<WallpaperProject, CommandFailure> readWallpaperProject(
    const DesktopCommand& command, const fs::path& scratch, ProgressLine& progress)
{
    if (isDynamicWallpaperFile(command.source)) {
        std::optional<ClockPlace> place;
        if (command.location) place = ClockPlace { *command.location, TimeZone::current() };
        auto imported = importDynamicWallpaper(command.source, scratch, place, {}, progress.imageCounter("Read"));
        if (!imported) return CommandFailure { imported.error().message };
        return WallpaperProject { std::move(imported.value().images), imported.value().mode };
    }
    auto opened = readPackage(command.source);
    if (!opened) return CommandFailure { opened.error().description };
    return WallpaperProject { std::move(opened.value().project.images), opened.value().project.mode };
}

desktop::SolarDay solarDayFor(const DesktopCommand& command)
{
    desktop::SolarDay day { command.location.value_or(Location { 0, 0 }), desktop::localToday(), TimeZone::current() };
    if (command.date) {
        day.day = { std::stoi(command.date->substr(0, 4)), std::stoi(command.date->substr(5, 2)),
            std::stoi(command.date->substr(8, 2)) };
    }
    return day;
}

void tell(std::ostream& notes, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        notes << line << '\n';
}

} // namespace

Result<void, CommandFailure> runDesktop(const DesktopCommand& command, ProgressLine& progress, std::ostream& notes)
{
    const WorkingFolder scratch;
    auto project = readWallpaperProject(command, scratch.path, progress);
    if (!project) return project.error();
    auto source
        = desktop::projectWallpaper(command.source.stem().string(), project.value().images, project.value().mode);
    if (!source) return CommandFailure { source.error().text };
    const bool timed = std::holds_alternative<desktop::SolarSchedule>(source.value().wallpaper.layout);
    // Sun positions become clock times only for a place; Plasma's light/dark pair needs none.
    if (timed && !command.location && command.target != DesktopCommand::Target::plasma)
        return CommandFailure { "The times of a wallpaper that follows the sun need a place: give it with --location "
                                "LATITUDE,LONGITUDE." };
    const desktop::SolarDay day = solarDayFor(command);
    const auto reportImage = progress.imageCounter("Wrote");

    switch (command.target) {
    case DesktopCommand::Target::gnome: {
        // The listing beside the slideshow, which takes the wallpaper's own name in the folder.
        const std::string name = desktop::folderName(command.source.stem().string());
        const desktop::GnomeFolders folders { command.folder, command.folder / (name + "-background-properties.xml") };
        const auto written = desktop::writeGnomeWallpaper(source.value(), day, folders, reportImage);
        progress.finish();
        if (!written) return CommandFailure { written.error().text };
        tell(notes, written.value().notes);
        notes << "Wrote " << written.value().picture.string() << '\n';
        return {};
    }
    case DesktopCommand::Target::plasma: {
        const auto written = desktop::writePlasmaPackage(source.value(), command.folder, reportImage);
        progress.finish();
        if (!written) return CommandFailure { written.error().text };
        tell(notes, written.value().notes);
        notes << "Wrote " << written.value().package.string() << '\n';
        return {};
    }
    case DesktopCommand::Target::apply: {
        const auto dataHome = userDataFolder();
        if (!dataHome)
            return CommandFailure { "Your data folder could not be found (neither XDG_DATA_HOME nor HOME is set)." };
        const auto background = makeGioDesktopBackground();
        const auto installed = desktop::installDesktopWallpaper(
            source.value(), day, *dataHome, runningDesktop(), *background, reportImage);
        progress.finish();
        if (!installed) return CommandFailure { installed.error().text };
        tell(notes, installed.value().messages);
        return {};
    }
    }
    return {};
}

} // namespace tl::cli
