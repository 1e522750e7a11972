#include "app/PackageFrameLedger.h"

#include "app/PackageOpenLock.h"
#include "app/ProjectPackage.h"
#include "platform/FileReplacement.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <utility>

namespace fs = std::filesystem;

namespace tl {
namespace {

// Name to inode, one "inode name" a line; names holding a line break are never noted.
using Ledger = std::map<std::string, ino_t>;

Ledger readLedger(const fs::path& package)
{
    Ledger ledger;
    std::ifstream in(package / packageFrameLedgerName, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        const auto space = line.find(' ');
        if (space == std::string::npos) continue;
        ino_t inode = 0;
        const auto [end, error] = std::from_chars(line.data(), line.data() + space, inode);
        if (error != std::errc() || end != line.data() + space) continue;
        ledger[line.substr(space + 1)] = inode;
    }
    return ledger;
}

void writeLedger(const fs::path& package, const Ledger& ledger)
{
    std::ostringstream out;
    for (const auto& [name, inode] : ledger)
        out << inode << ' ' << name << '\n';
    static_cast<void>(replaceFileWithBytes(package / packageFrameLedgerName, out.str()));
}

std::optional<struct stat> linkStatus(const fs::path& path)
{
    struct stat status { };
    if (::lstat(path.c_str(), &status) != 0) return std::nullopt;
    return status;
}

bool sameFile(const struct stat& first, const struct stat& second)
{
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool untouchedForAWhile(const struct stat& status)
{
    const auto modified = std::chrono::system_clock::from_time_t(status.st_mtim.tv_sec);
    return std::chrono::system_clock::now() - modified >= staleTemporaryAge;
}

void sweep(const fs::path& package, const std::set<std::string>& kept)
{
    const fs::path images = package / packageImagesFolderName;
    std::vector<struct stat> keptFiles;
    for (const auto& name : kept) {
        if (const auto status = linkStatus(images / name)) keptFiles.push_back(*status);
    }
    Ledger ledger = readLedger(package);
    const std::size_t noted = ledger.size();
    for (auto entry = ledger.begin(); entry != ledger.end();) {
        const auto& [name, inode] = *entry;
        const auto status = linkStatus(images / name);
        // Gone, or no longer the file written: nothing of ours to remove any more.
        if (!status || status->st_ino != inode || !S_ISREG(status->st_mode)) {
            entry = ledger.erase(entry);
            continue;
        }
        const bool needed = kept.contains(name)
            || std::any_of(
                keptFiles.begin(), keptFiles.end(), [&](const auto& file) { return sameFile(file, *status); });
        if (needed || !untouchedForAWhile(*status)) {
            ++entry;
            continue;
        }
        removeFileQuietly(images / name);
        entry = ledger.erase(entry);
    }
    if (ledger.size() != noted) writeLedger(package, ledger);
}

} // namespace

void addToFrameLedger(const fs::path& package, const std::vector<std::string>& written)
{
    Ledger ledger = readLedger(package);
    const fs::path images = package / packageImagesFolderName;
    for (const auto& name : written) {
        if (name.find('\n') != std::string::npos) continue;
        if (const auto status = linkStatus(images / name); status && S_ISREG(status->st_mode))
            ledger[name] = status->st_ino;
    }
    writeLedger(package, ledger);
}

void removeUnneededFrameFiles(const fs::path& package, const std::set<std::string>& kept, PackageOpenLock* ownLock)
{
    std::optional<PackageOpenLock> fresh;
    if (!ownLock) ownLock = &fresh.emplace(package);
    ownLock->whileAlone([&] { sweep(package, kept); });
}

} // namespace tl
