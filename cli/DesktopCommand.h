#pragma once

#include "cli/CommandFailure.h"
#include "cli/CommandLine.h"
#include "cli/ComputerLocation.h"
#include "cli/ProgressLine.h"
#include "platform/Result.h"

#include <ostream>

namespace tl::cli {

// Writes a package's or a dynamic HEIC's wallpaper in GNOME's or Plasma's form into a folder, or
// installs and sets it for the running desktop as the window's "Set as Desktop Background..." does;
// what the user is told goes to `notes`. Without --location, a wallpaper whose times need a place
// gets this computer's from `locate`.
Result<void, CommandFailure> runDesktop(
    const DesktopCommand& command, const LocateComputer& locate, ProgressLine& progress, std::ostream& notes);

} // namespace tl::cli
