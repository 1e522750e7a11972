#pragma once

#include "engine/desktop/GnomeBackground.h"
#include "engine/desktop/PlasmaPackage.h"
#include "platform/DesktopBackground.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tl::desktop {

// What installing a wallpaper did: the files written, whether the desktop now shows it, and what the
// user is told, in order (what the writer left out first, the outcome last).
struct InstallReport {
    RunningDesktop desktop;
    bool applied = false;
    std::filesystem::path folder; // where the wallpaper's files are
    std::vector<std::filesystem::path> written;
    std::vector<std::string> messages;
};

// Writes the wallpaper under `dataHome` (~/.local/share) in the form the running desktop reads and
// sets it there. GNOME-like desktops get backgrounds/NAME plus a Background panel listing; Plasma a
// wallpaper package in wallpapers/NAME; any other desktop the GNOME files and a message naming the
// desktop found and the folder. A desktop that refuses the setting is an error naming the folder.
Result<InstallReport, DesktopError> installDesktopWallpaper(const WallpaperSource& source, const SolarDay& solarDay,
    const std::filesystem::path& dataHome, const RunningDesktop& desktop, DesktopBackground& background,
    const DesktopProgress& progress = {});

} // namespace tl::desktop
