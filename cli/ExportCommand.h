#pragma once

#include "cli/CommandFailure.h"
#include "cli/CommandLine.h"
#include "cli/ProgressLine.h"
#include "engine/HeicExportOptions.h"
#include "model/WallpaperImage.h"
#include "platform/Result.h"

#include <vector>

namespace tl::cli {

// The export options the window's sheet would hold for these arguments, checked as the sheet checks
// them against the project's key frames: its validation message or refusal is the failure.
Result<HeicExportOptions, CommandFailure> exportOptionsFor(
    const ExportCommand& command, const std::vector<WallpaperImage>& images);

// Reads the package, checks the options and writes the wallpaper through the window's export run.
Result<void, CommandFailure> runExport(const ExportCommand& command, ProgressLine& progress);

} // namespace tl::cli
