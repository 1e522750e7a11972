#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

class PackageOpenLock;

// The package's list of the frame files this program wrote into its "images", each with its inode,
// so that a save removes only those. A file it does not name (one the user put there, or one written
// by a version that kept no list) is never removed, nor one replaced under the same name since.
inline constexpr std::string_view packageFrameLedgerName = ".tidelumine-frames";

// Notes the files `written` of `package`'s "images" as this program's. A failure to note them only
// keeps them for good.
void addToFrameLedger(const std::filesystem::path& package, const std::vector<std::string>& written);

// Removes the files of `package`'s "images" the list names that are not `kept` (compared as the
// file system compares names: by the file a kept name reaches), untouched for `staleTemporaryAge`,
// and drops them from the list. Only while no other open instance holds the package: `ownLock` is
// this instance's hold on it when it has the package open; without it, any holder stops the sweep.
void removeUnneededFrameFiles(
    const std::filesystem::path& package, const std::set<std::string>& kept, PackageOpenLock* ownLock);

} // namespace tl
