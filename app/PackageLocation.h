#pragma once

#include <filesystem>
#include <optional>

namespace tl {

// The package a user's choice stands for: a ".vorrind" or ".tidelumine" folder
// path, or the "project.json" inside one. Anything else stands for none.
std::optional<std::filesystem::path> packageForSelection(const std::filesystem::path& selection);

// Where the save panel writes: the chosen path with the ".vorrind" extension
// (a ".tidelumine" extension is replaced, any other kept and extended).
std::filesystem::path withSavedPackageExtension(const std::filesystem::path& chosen);

} // namespace tl
