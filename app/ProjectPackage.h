#pragma once

#include "model/Project.h"
#include "platform/Result.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tl {

class AppState;

// Why a package could not be written or read, in words for the user.
struct PackageError {
    std::string description;
};

inline constexpr std::string_view projectRecordName = "project.json";
inline constexpr std::string_view packageImagesFolderName = "images";

// Writes the open project as a package folder at `package`: each frame's file
// into "images" (copied through a temporary file, never removing a source), then
// "project.json" through a temporary file, so a failure leaves the old package
// readable. Frames copied before a failure keep their new paths in the store.
Result<void, PackageError> writePackage(const std::filesystem::path& package, AppState& state);

struct OpenedPackage {
    Project project;
    // File names the record lists but "images" does not hold, in timeline order.
    std::vector<std::string> missingFileNames;
};

// Reads "project.json" and finds each frame's file in "images". A record that
// names a file outside "images" gets that frame listed as missing.
Result<OpenedPackage, PackageError> readPackage(const std::filesystem::path& package);

} // namespace tl
