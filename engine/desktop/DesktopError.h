#pragma once

#include <string>

namespace tl::desktop {

// Why a desktop wallpaper could not be written or set; `text` is what the user is told.
struct DesktopError {
    enum class Kind {
        noLayout, // the wallpaper says nothing about when to show which image
        badImage, // an image index outside the wallpaper, or pixels that could not be had
        fileSystem, // a folder or file could not be written
        settings, // the desktop refused the new setting
        failed, // the work threw: out of memory, for example
    };
    Kind kind = Kind::fileSystem;
    std::string text;

    friend bool operator==(const DesktopError&, const DesktopError&) = default;
};

} // namespace tl::desktop
