#pragma once

#include "app/ProjectPackageReplacement.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace tl::testing {

// The names in `folder`, sorted.
inline std::vector<std::string> entriesOf(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
        names.push_back(entry->path().filename().string());
    std::ranges::sort(names);
    return names;
}

// A file system without a swap (exFAT, many USB disks: renameat2 with any flag fails with EINVAL)
// for as long as it lives; `killBetweenRenames` ends the process after the old package went aside.
class SwaplessFileSystem {
public:
    explicit SwaplessFileSystem(bool killBetweenRenames = false)
        : saved_(package_detail::replacementCalls())
    {
        auto& calls = package_detail::replacementCalls();
        calls.rename = [plain = saved_.rename](const std::filesystem::path& from, const std::filesystem::path& to,
                           unsigned flags) { return flags != 0 ? EINVAL : plain(from, to, 0); };
        if (killBetweenRenames) calls.betweenRenames = [] { ::_exit(0); };
    }
    ~SwaplessFileSystem() { package_detail::replacementCalls() = saved_; }
    SwaplessFileSystem(const SwaplessFileSystem&) = delete;
    SwaplessFileSystem& operator=(const SwaplessFileSystem&) = delete;

    // Every plain rename onto `target` fails with an input/output error from now on.
    void failRenamesOnto(const std::filesystem::path& target)
    {
        auto& calls = package_detail::replacementCalls();
        calls.rename
            = [plain = calls.rename, target](const std::filesystem::path& from, const std::filesystem::path& to,
                  unsigned flags) { return flags == 0 && to == target ? EIO : plain(from, to, flags); };
    }

private:
    package_detail::ReplacementCalls saved_;
};

} // namespace tl::testing
