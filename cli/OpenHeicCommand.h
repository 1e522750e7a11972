#pragma once

#include "cli/CommandFailure.h"
#include "cli/CommandLine.h"
#include "cli/ProgressLine.h"
#include "platform/Result.h"

#include <ostream>

namespace tl::cli {

// Opens the HEIC as the window's "Import Dynamic Wallpaper..." does and saves the project as a
// package; what the window would tell the user about the frames' places goes to `notes`.
Result<void, CommandFailure> runOpenHeic(const OpenHeicCommand& command, ProgressLine& progress, std::ostream& notes);

} // namespace tl::cli
