#include "engine/desktop/DesktopInstall.h"

#include "platform/ExceptionText.h"

namespace tl::desktop {

namespace fs = std::filesystem;

namespace {

std::string quoted(const fs::path& path)
{
    return "\"" + path.string() + "\"";
}

DesktopError refused(const std::string& reason, const fs::path& folder)
{
    return { DesktopError::Kind::settings, reason + " The wallpaper's files are in " + quoted(folder) + "." };
}

Result<InstallReport, DesktopError> install(const WallpaperSource& source, const SolarDay& solarDay,
    const fs::path& dataHome, const RunningDesktop& desktop, DesktopBackground& background,
    const DesktopProgress& progress)
{
    InstallReport report;
    report.desktop = desktop;
    if (desktop.family == DesktopFamily::plasma) {
        auto package = writePlasmaPackage(source, userPlasmaFolder(dataHome, source.name), progress);
        if (!package) return package.error();
        report.folder = package.value().package;
        report.written = package.value().written;
        report.messages = package.value().notes;
        if (auto set = background.setPlasmaPackage(report.folder); !set)
            return refused(set.error().text, report.folder);
        report.applied = true;
        report.messages.push_back("The wallpaper is set. Its files are in " + quoted(report.folder) + ".");
        return report;
    }

    auto gnome = writeGnomeWallpaper(source, solarDay, userGnomeFolders(dataHome, source.name), progress);
    if (!gnome) return gnome.error();
    report.folder = gnome.value().picture.parent_path();
    report.written = gnome.value().written;
    report.messages = gnome.value().notes;
    if (desktop.family == DesktopFamily::other) {
        const std::string found = desktop.name.empty()
            ? std::string("No desktop was named (XDG_CURRENT_DESKTOP is not set)")
            : "The desktop found is \"" + desktop.name + "\"";
        report.messages.push_back(found + "; its wallpaper cannot be set from here. The wallpaper's files are in "
            + quoted(report.folder) + ".");
        return report;
    }
    const fs::path dark = gnome.value().darkPicture.value_or(gnome.value().picture);
    if (auto set = background.setGnomePictures(gnome.value().picture, dark); !set)
        return refused(set.error().text, report.folder);
    report.applied = true;
    report.messages.push_back("The wallpaper is set. Its files are in " + quoted(report.folder) + ".");
    return report;
}

} // namespace

Result<InstallReport, DesktopError> installDesktopWallpaper(const WallpaperSource& source, const SolarDay& solarDay,
    const fs::path& dataHome, const RunningDesktop& desktop, DesktopBackground& background,
    const DesktopProgress& progress)
{
    // Callers run this on worker threads, which no exception may leave.
    try {
        return install(source, solarDay, dataHome, desktop, background, progress);
    } catch (...) {
        return DesktopError { DesktopError::Kind::failed,
            "The wallpaper could not be written: " + currentExceptionText() + "." };
    }
}

} // namespace tl::desktop
