#include "cli/DesktopCommand.h"

#include "app/DynamicWallpaperImport.h"
#include "app/ProjectPackage.h"
#include "cli/WorkingFolder.h"
#include "engine/desktop/DesktopInstall.h"
#include "engine/desktop/DynamicHeicReader.h"
#include "engine/desktop/ProjectWallpaper.h"
#include "platform/ExceptionText.h"
#include "platform/UserFolders.h"

namespace tl::cli {
namespace {

namespace fs = std::filesystem;

struct WallpaperProject {
    std::vector<WallpaperImage> images;
    WallpaperMode mode = WallpaperMode::time;
};

// Whether `source` shows its frames by the sun (or the clock), whose times on GNOME need a place;
// read without decoding a picture.
Result<bool, CommandFailure> followsTheSun(const fs::path& source)
{
    if (isDynamicWallpaperFile(source)) {
        const auto reader = desktop::DynamicHeicReader::open(source);
        if (!reader) return CommandFailure { reader.error().message() };
        return !std::holds_alternative<desktop::AppearancePair>(reader.value().wallpaper().layout);
    }
    const auto opened = readPackage(source);
    if (!opened) return CommandFailure { opened.error().description };
    return opened.value().project.mode == WallpaperMode::time;
}

// The place the times are worked out for: the one given, else this computer's, asked only when the
// wallpaper's times need one.
Result<std::optional<Location>, CommandFailure> placeFor(
    const DesktopCommand& command, const LocateComputer& locate, std::ostream& notes)
{
    // Plasma's light/dark pair has no times.
    const bool plasma = command.target == DesktopCommand::Target::plasma
        || (command.target == DesktopCommand::Target::apply && runningDesktop().family == DesktopFamily::plasma);
    if (command.location || plasma) return command.location;
    const auto sunny = followsTheSun(command.source);
    if (!sunny) return sunny.error();
    if (!sunny.value()) return std::optional<Location> {};
    // The service may take its whole timeout to answer; say what the wait is for.
    notes << "Asking the desktop's location service where this computer is (--location skips this)...\n";
    notes.flush();
    const auto found = locate();
    if (!found) return found.error();
    notes << "Working out the times for this computer's location, " << found.value().latitude << ", "
          << found.value().longitude << ", from the location service.\n";
    return std::optional(found.value());
}

// The frames as the window would hold them after opening `source`; a HEIC's go into `scratch`.
Result<WallpaperProject, CommandFailure> readWallpaperProject(
    const fs::path& source, const std::optional<Location>& location, const fs::path& scratch, ProgressLine& progress)
{
    if (isDynamicWallpaperFile(source)) {
        std::optional<ClockPlace> place;
        if (location) place = ClockPlace { *location, TimeZone::current() };
        auto imported = importDynamicWallpaper(source, scratch, place, {}, progress.imageCounter("Read"));
        if (!imported) return CommandFailure { imported.error().message };
        return WallpaperProject { std::move(imported.value().images), imported.value().mode };
    }
    auto opened = readPackage(source);
    if (!opened) return CommandFailure { opened.error().description };
    return WallpaperProject { std::move(opened.value().project.images), opened.value().project.mode };
}

desktop::SolarDay solarDayFor(const DesktopCommand& command, const std::optional<Location>& location)
{
    desktop::SolarDay day { location.value_or(Location { 0, 0 }), desktop::localToday(), TimeZone::current() };
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

Result<void, CommandFailure> writeDesktopWallpaper(
    const DesktopCommand& command, const LocateComputer& locate, ProgressLine& progress, std::ostream& notes)
{
    const auto location = placeFor(command, locate, notes);
    if (!location) return location.error();
    const WorkingFolder scratch;
    auto project = readWallpaperProject(command.source, location.value(), scratch.path, progress);
    if (!project) return project.error();
    auto source
        = desktop::projectWallpaper(command.source.stem().string(), project.value().images, project.value().mode);
    if (!source) return CommandFailure { source.error().text };
    const desktop::SolarDay day = solarDayFor(command, location.value());
    const auto reportImage = progress.imageCounter("Wrote");

    switch (command.target) {
    case DesktopCommand::Target::gnome: {
        const auto written = desktop::writeGnomeWallpaper(
            source.value(), day, desktop::gnomeFoldersInside(command.folder, source.value().name), reportImage);
        progress.finish();
        if (!written) return CommandFailure { written.error().text };
        tell(notes, written.value().notes);
        notes << "Wrote " << written.value().picture.string() << '\n';
        return {};
    }
    case DesktopCommand::Target::plasma: {
        const auto written = desktop::writePlasmaPackage(
            source.value(), command.folder / desktop::folderName(source.value().name), reportImage);
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
        // The last message says why a wallpaper that was not set is not; it is the failure's.
        const auto& messages = installed.value().messages;
        if (!installed.value().applied) {
            tell(notes, { messages.begin(), messages.end() - 1 });
            return CommandFailure { messages.back() };
        }
        tell(notes, messages);
        return {};
    }
    }
    return {};
}

} // namespace

Result<void, CommandFailure> runDesktop(
    const DesktopCommand& command, const LocateComputer& locate, ProgressLine& progress, std::ostream& notes)
{
    // A reader or decoder may throw (out of memory on a huge metadata block); the command still ends in a message.
    try {
        return writeDesktopWallpaper(command, locate, progress, notes);
    } catch (...) {
        return CommandFailure { "The wallpaper could not be written: " + currentExceptionText() + "." };
    }
}

} // namespace tl::cli
