#pragma once

#include "MainWindowHarness.h"

#include <filesystem>

namespace tl::testing {

// Saves the inspector in time mode, its presets, the sun preview with a typed
// place and with an error line, appearance mode, the empty state and the three
// settings tabs. Needs imported images.
bool saveInspectorScreenshots(MainWindowHarness& harness, const std::filesystem::path& out);

} // namespace tl::testing
