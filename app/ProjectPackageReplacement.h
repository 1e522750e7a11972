#pragma once

#include "app/ProjectPackage.h"
#include "platform/Result.h"

#include <filesystem>
#include <functional>
#include <system_error>

namespace tl {

// How moving a build into place ended. After a failure the build is the caller's to remove,
// unless it waits beside the old package for the next save or open there to finish the move.
struct BuildMove {
    Result<void, PackageError> result;
    bool buildAwaitsRecovery = false;
};

// Renames the finished build `work` to `package`. A package already there is swapped out in one
// step and removed; a file system without that swap (exFAT, many USB disks) moves it aside first,
// after noting both moves in a journal beside them, so a writer killed or failing between the two
// renames leaves what `recoverInterruptedReplacements` completes. Nothing is left beside a
// package that was replaced.
BuildMove moveBuildIntoPlace(const std::filesystem::path& work, const std::filesystem::path& package);

// Completes the replacements in `folder` that a killed writer left between its renames: each
// target gets back a whole package (the new one, else the old), and what it superseded goes. No
// whole package is removed otherwise, and a replacement still being written is left alone. Only
// journals this program wrote, naming packages, builds and asides of its own, are acted on;
// others are logged and left as they are.
void recoverInterruptedReplacements(const std::filesystem::path& folder);

// Removes the package builds a killed Save As left in `folder` (our temporaries' names, untouched
// for a while, not locked by a build still running and not awaiting recovery), and the empty
// folders earlier versions left beside a package they replaced.
void removeStalePackageBuilds(const std::filesystem::path& folder);

namespace package_detail {

// The calls a replacement makes: tests play a file system without a swap (renameat2 failing with
// EINVAL), failing renames or flushes, and a writer killed between its two renames.
struct ReplacementCalls {
    std::function<int(const std::filesystem::path& from, const std::filesystem::path& to, unsigned flags)> rename;
    std::function<void()> betweenRenames;
    std::function<std::error_code(const std::filesystem::path&)> sync;
};
ReplacementCalls& replacementCalls();

} // namespace package_detail
} // namespace tl
