#pragma once

#include "app/AppState.h"
#include "model/Project.h"
#include "platform/Result.h"
#include "platform/Uuid.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tl {

class PackageOpenLock;

// Why a package could not be written or read, in words for the user.
struct PackageError {
    std::string description;
    // An in-place write found another record than the one expected: another program saved there.
    bool changedElsewhere = false;
};

inline constexpr std::string_view projectRecordName = "project.json";
inline constexpr std::string_view packageImagesFolderName = "images";
// Locked (flock) by the instance writing the package, so a second one says so instead of racing.
inline constexpr std::string_view packageLockName = ".tidelumine.lock";

// One frame file a package write brings into "images", under the name the record gives it.
struct PackageFrame {
    Uuid id;
    std::string fileName;
    std::filesystem::path source;
};

// Everything a package write needs, taken from the store on the main thread so that the
// copying can run on any thread.
struct PackageContents {
    std::filesystem::path package;
    // The frames that have a file, in timeline order.
    std::vector<PackageFrame> frames;
    // The encoded "project.json".
    std::string record;
    // The package is the open project's own and is written where it stands; any other target is
    // built beside it and renamed into place whole, replacing a package already there.
    bool inPlace = false;
    // The files of "images" an in-place write keeps: those the record names and those an undo or a
    // save still waiting may bring back. Older files beside them are left by killed saves and
    // replaced edits, and go.
    std::set<std::string> keptFileNames;
    // The record the package should still hold; an in-place write finding another one writes
    // nothing and fails with `changedElsewhere`.
    std::optional<std::string> expectedRecord;
    // This instance's hold on the package it has open, when it is the one written in place; the
    // sweep of unneeded frame files runs only while no other holder has the package open.
    std::shared_ptr<PackageOpenLock> openLock;
};

// What a package write did: the leading frames that are in place (all of them, or none after a
// failure, which removes what it created), and how it ended.
struct PackageWriteOutcome {
    std::size_t placedFrames = 0;
    Result<void, PackageError> result;
};

// What writing the open project as a package folder at `package` would write now.
Result<PackageContents, PackageError> packageContents(const std::filesystem::path& package, const AppState& state);
// The same for a copy of a project's fields, taken when it was open.
Result<PackageContents, PackageError> packageContents(
    const std::filesystem::path& package, const AppState::Snapshot& project);

// The names the files of `frames` may have in a package: each frame's name and its file's.
void addFrameFileNames(const std::vector<WallpaperImage>& frames, std::set<std::string>& names);

// Writes the package folder: each frame's file into "images" (copied through a temporary file with
// checked writes, never removing a source), then "project.json". The open project's package is
// written in place under its lock, so a failure leaves it readable, and then loses the frame files
// this program wrote there and no longer keeps, unless another instance has the package open; any other is built beside
// the target and renamed into place last, so a failure or a kill leaves the old state. A failure removes the files and
// folders the write created. A replacement a killed writer left halfway in the target's folder is completed first.
// Blocking; safe on any thread.
PackageWriteOutcome writePackage(const PackageContents& contents);

// Points the first `count` frames of `contents` that are still in the store, with the file
// they were copied from, at their files in the package. False when a frame was given another
// file meanwhile: the package does not hold what that frame shows.
bool placeFrames(AppState& state, const PackageContents& contents, std::size_t count);
// The same for a copy of a project's frames.
bool placeFrames(std::vector<WallpaperImage>& frames, const PackageContents& contents, std::size_t count);

struct OpenedPackage {
    Project project;
    // The record's bytes as read.
    std::string record;
    // File names the record lists but "images" does not hold, in timeline order.
    std::vector<std::string> missingFileNames;
};

// Reads "project.json" and finds each frame's file in "images". A record that
// names a file outside "images" gets that frame listed as missing. Decodes no picture:
// previews come from the thumbnail caches, off the main thread. A replacement a killed writer left
// halfway in the package's folder is completed first, so the package is whole at its name again.
Result<OpenedPackage, PackageError> readPackage(const std::filesystem::path& package);

} // namespace tl
