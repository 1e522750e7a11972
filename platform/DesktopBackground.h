#pragma once

#include "platform/Environment.h"
#include "platform/Result.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace tl {

enum class DesktopFamily {
    gnome, // reads org.gnome.desktop.background
    plasma,
    other,
};

// The running desktop as XDG_CURRENT_DESKTOP names it; `name` is the variable's value as found.
struct RunningDesktop {
    DesktopFamily family = DesktopFamily::other;
    std::string name;
};

RunningDesktop runningDesktop(const Environment& environment = processEnvironment());

// Why the desktop did not take a wallpaper, in the words the user is shown.
struct DesktopSettingError {
    std::string text;
};

// Sets the wallpaper of the user's desktop.
class DesktopBackground {
public:
    virtual ~DesktopBackground() = default;
    // GNOME's picture-uri and picture-uri-dark keys (the same picture twice when there is no dark one),
    // with the picture zoomed to fill the screen.
    virtual Result<void, DesktopSettingError> setGnomePictures(
        const std::filesystem::path& picture, const std::filesystem::path& darkPicture)
        = 0;
    // Every Plasma desktop shows the wallpaper package at `package`.
    virtual Result<void, DesktopSettingError> setPlasmaPackage(const std::filesystem::path& package) = 0;
};

// The script plasmashell runs to show the wallpaper package at `packageUri` (a percent-encoded
// file URI) on every desktop.
std::string plasmaWallpaperScript(std::string_view packageUri);

// GSettings and plasmashell's D-Bus scripting through GIO.
std::unique_ptr<DesktopBackground> makeGioDesktopBackground();

} // namespace tl
