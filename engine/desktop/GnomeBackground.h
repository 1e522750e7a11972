#pragma once

#include "engine/desktop/SolarTimetable.h"
#include "engine/desktop/WallpaperSource.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl::desktop {

// Where a GNOME background goes: a folder for its images (and slideshow), and the file that lists
// it in the Settings' Background panel.
struct GnomeFolders {
    std::filesystem::path backgroundFolder;
    std::filesystem::path propertiesFile;
};

// <dataHome>/backgrounds/NAME and <dataHome>/gnome-background-properties/NAME.xml.
GnomeFolders userGnomeFolders(const std::filesystem::path& dataHome, std::string_view name);

// A folder of the wallpaper's own inside a folder the user named, holding its listing too, so a later
// install replaces only that folder and nothing else the user keeps there.
GnomeFolders gnomeFoldersInside(const std::filesystem::path& folder, std::string_view name);

// What was written: the picture for the desktop's light key (the slideshow in time mode) and, for a
// light/dark pair, the dark one; `notes` tell the user what the writer had to leave out or guess.
struct GnomeWallpaper {
    std::filesystem::path picture;
    std::optional<std::filesystem::path> darkPicture;
    std::filesystem::path propertiesFile;
    std::vector<std::filesystem::path> written;
    std::vector<std::string> notes;
};

// Time mode becomes a timed slideshow for `solarDay`; appearance mode a light/dark pair. The files are
// built beside the folder and swapped in once all are written, so a failure leaves an earlier
// install whole; every path written into them is absolute.
Result<GnomeWallpaper, DesktopError> writeGnomeWallpaper(const WallpaperSource& source, const SolarDay& solarDay,
    const GnomeFolders& folders, const DesktopProgress& progress = {});

// GNOME's timed slideshow: starts on `day` at the first slot's time and repeats every 24 hours.
// `files` maps image indices to their picture files.
std::string slideshowXml(
    const DayLoop& loop, const CivilDay& day, const std::map<std::size_t, std::filesystem::path>& files);

// The Background panel's listing of one wallpaper.
std::string backgroundPropertiesXml(std::string_view name, const std::filesystem::path& picture,
    const std::optional<std::filesystem::path>& darkPicture);

// Tells the user that a frame's sun position is never reached here, and how near the sun comes.
std::string distantFrameNote(const DistantFrame& frame);

} // namespace tl::desktop
