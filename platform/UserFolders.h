#pragma once

#include "platform/Environment.h"

#include <filesystem>
#include <optional>

namespace tl {

// The user's folder for application data: $XDG_DATA_HOME when it is an absolute path, else
// ~/.local/share; nothing when neither can be found.
std::optional<std::filesystem::path> userDataFolder(const Environment& environment = processEnvironment());

// `wanted` when nothing exists there, else the first free of "<wanted>-2", "<wanted>-3", ...
std::filesystem::path unusedPath(const std::filesystem::path& wanted);

} // namespace tl
