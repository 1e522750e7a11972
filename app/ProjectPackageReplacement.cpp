#include "app/ProjectPackageReplacement.h"

#include "app/PackageFileNames.h"
#include "app/ProjectPackageErrors.h"
#include "platform/FileLock.h"
#include "platform/FileReplacement.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "platform/Uuid.h"

#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace tl {
namespace {

using package_detail::fileError;
using package_detail::replacementCalls;
using package_detail::savingElsewhere;

constexpr std::string_view leftoverPrefix = ".tidelumine-";
constexpr std::string_view journalMark = ".replacing";
constexpr std::string_view asideMark = ".replaced";
constexpr std::string_view buildMark = ".tmp";
// First line of every journal; anything else found under a journal's name is not ours.
constexpr std::string_view journalFormat = "Tidelumine replacement journal 1\n";
// Sixteen hexadecimal digits and a line end.
constexpr std::size_t checksumLength = 17;
// The format line, three file names of at most 255 bytes each with their ends, and the checksum.
constexpr std::size_t largestJournal = 1024;
constexpr std::size_t uuidLength = 36;

// One replacement without a swap, noted before its first rename: the target, the finished build
// that takes its name, and where the old package waits meanwhile; all in one folder.
struct Journal {
    fs::path file;
    fs::path target;
    fs::path build;
    fs::path aside;
};

std::error_code errorNumber(int error)
{
    return { error, std::generic_category() };
}

bool isThere(const fs::path& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

bool cannotRenameThisWay(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

int renamed(const fs::path& from, const fs::path& to, unsigned flags = 0)
{
    return replacementCalls().rename(from, to, flags);
}

void removeTreeQuietly(const fs::path& path)
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

// ".tidelumine-" UUID `mark`: a name only this program gives.
bool hasLeftoverName(const fs::path& path, std::string_view mark)
{
    const std::string name = path.filename().string();
    return name.size() == leftoverPrefix.size() + uuidLength + mark.size() && name.starts_with(leftoverPrefix)
        && name.ends_with(mark) && Uuid::parse(std::string_view(name).substr(leftoverPrefix.size(), uuidLength));
}

fs::path leftoverBeside(const fs::path& package, std::string_view mark)
{
    return package.parent_path() / (std::string(leftoverPrefix) + Uuid::random().text() + std::string(mark));
}

bool isPackageName(const fs::path& name)
{
    const auto extension = name.extension();
    return isPlainFileName(name.string()) && !name.string().starts_with('.')
        && (extension == ".vorrind" || extension == ".tidelumine");
}

// A build for `target` as `temporaryPathBeside` names it.
bool isBuildNameFor(const fs::path& build, const fs::path& target)
{
    const std::string name = build.filename().string();
    const std::string ending = target.extension().string();
    return name.ends_with(ending) && hasLeftoverName(name.substr(0, name.size() - ending.size()), buildMark);
}

// A real folder (no link) holding a record: a package or a build of one.
bool holdsRecord(const fs::path& folder)
{
    std::error_code error;
    return fs::is_directory(fs::symlink_status(folder, error))
        && fs::is_regular_file(fs::symlink_status(folder / projectRecordName, error));
}

std::string checksumOf(std::string_view bytes)
{
    // FNV-1a: enough to tell a journal we wrote whole from a cut or hand-made one.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char byte : bytes) {
        hash ^= static_cast<unsigned char>(byte);
        hash *= 1099511628211ULL;
    }
    char digits[checksumLength + 1];
    std::snprintf(digits, sizeof digits, "%016" PRIx64 "\n", hash);
    return digits;
}

std::error_code synced(const fs::path& path)
{
    return replacementCalls().sync(path);
}

std::error_code writeJournal(const Journal& journal)
{
    std::string text(journalFormat);
    for (const auto* path : { &journal.target, &journal.build, &journal.aside })
        text += path->filename().string() + '\0';
    text += checksumOf(text);
    if (const auto error = replaceFileWithBytes(journal.file, text)) return error;
    // The journal must be on disk before the renames it explains.
    return synced(journal.file.parent_path());
}

std::optional<std::vector<std::string>> journalNames(const fs::path& file)
{
    std::ifstream input(file, std::ios::binary);
    std::string text(largestJournal + 1, '\0');
    input.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(input.gcount()));
    if (text.size() > largestJournal || text.size() < journalFormat.size() + checksumLength
        || !text.starts_with(journalFormat))
        return std::nullopt;
    const std::string body = text.substr(0, text.size() - checksumLength);
    if (checksumOf(body) != text.substr(body.size()) || !body.ends_with('\0')) return std::nullopt;
    std::vector<std::string> names;
    for (std::size_t start = journalFormat.size(); start < body.size();) {
        const std::size_t end = body.find('\0', start);
        names.push_back(body.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// The journal in `file` when this program wrote it and everything it names is of the kinds a
// replacement makes: a package, a build for it and an aside, all of our own names, in one folder.
std::optional<Journal> readJournal(const fs::path& file)
{
    std::error_code error;
    if (!hasLeftoverName(file, journalMark) || !fs::is_regular_file(fs::symlink_status(file, error)))
        return std::nullopt;
    const auto names = journalNames(file);
    if (!names || names->size() != 3
        || !std::ranges::all_of(*names, [](const auto& name) { return isPlainFileName(name); }))
        return std::nullopt;
    const fs::path folder = file.parent_path();
    Journal journal { file, folder / (*names)[0], folder / (*names)[1], folder / (*names)[2] };
    if (!isPackageName((*names)[0]) || !isBuildNameFor(journal.build, journal.target)
        || !hasLeftoverName(journal.aside, asideMark))
        return std::nullopt;
    return journal;
}

struct FoundJournals {
    std::vector<Journal> ours;
    // Files under a journal's name that this program did not write as they are.
    std::vector<fs::path> foreign;
};

FoundJournals journalsIn(const fs::path& folder)
{
    FoundJournals found;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!name.starts_with(leftoverPrefix) || !name.ends_with(journalMark)) continue;
        if (auto journal = readJournal(entry->path())) {
            found.ours.push_back(std::move(*journal));
        } else {
            found.foreign.push_back(entry->path());
        }
    }
    return found;
}

// Each of the three that is there is a real folder holding a record: anything else was put there
// by someone else, and nothing of it is moved or removed.
bool namesOnlyPackages(const Journal& journal)
{
    return std::ranges::all_of(std::array { &journal.target, &journal.build, &journal.aside },
        [](const fs::path* path) { return !isThere(*path) || holdsRecord(*path); });
}

void logLeftAlone(const fs::path& journal)
{
    log("Left alone a replacement journal that does not describe one of this program's saves: "
        + escapedForDisplay(journal.string()));
}

// The target holds a whole package again: the old one goes, first renamed to a build's name so
// that a kill while it is removed leaves what the sweep of stale builds clears, not a package.
void finish(const Journal& journal)
{
    const fs::path doomed = temporaryPathBeside(journal.target);
    const bool asideThere = isThere(journal.aside);
    if (asideThere && renamed(journal.aside, doomed) != 0) return;
    removeFileQuietly(journal.file);
    static_cast<void>(synced(journal.file.parent_path()));
    if (asideThere) removeTreeQuietly(doomed);
}

void recover(const Journal& journal)
{
    if (!namesOnlyPackages(journal)) {
        logLeftAlone(journal.file);
        return;
    }
    // The build's lock file goes with it to the target's name and stays held by a writer still at
    // work; the old package's lock is the last sign when neither is there.
    fs::path holder = journal.aside;
    if (isThere(journal.build)) {
        holder = journal.build;
    } else if (isThere(journal.target)) {
        holder = journal.target;
    } else if (!isThere(journal.aside)) {
        removeFileQuietly(journal.file);
        return;
    }
    const ExclusiveFileLock writer(holder / packageLockName);
    if (!writer.held()) return;

    if (isThere(journal.build)) {
        // The journal is written once the build is whole, so it is the newest whole package.
        if (isThere(journal.target)) {
            const ExclusiveFileLock old(journal.target / packageLockName);
            if (!old.held() || isThere(journal.aside) || renamed(journal.target, journal.aside) != 0) return;
        }
        if (renamed(journal.build, journal.target) != 0) {
            renamed(journal.aside, journal.target);
            return;
        }
    } else if (!isThere(journal.target) && renamed(journal.aside, journal.target) != 0) {
        return;
    }
    finish(journal);
}

// What earlier versions left beside a package they replaced: an aside holding at most its lock.
bool isEmptiedAside(const fs::directory_entry& entry)
{
    if (!hasLeftoverName(entry.path(), asideMark)) return false;
    std::error_code error;
    for (fs::directory_iterator inside(entry.path(), error), end; !error && inside != end; inside.increment(error)) {
        if (inside->path().filename() != packageLockName) return false;
    }
    return !error;
}

BuildMove replaceWithoutSwap(const fs::path& work, const fs::path& package, std::optional<ExclusiveFileLock>& oldLock)
{
    const Journal journal { leftoverBeside(package, journalMark), package, work, leftoverBeside(package, asideMark) };
    if (const auto error = writeJournal(journal)) {
        removeFileQuietly(journal.file);
        return { fileError(package, error) };
    }
    if (const int error = renamed(package, journal.aside)) {
        removeFileQuietly(journal.file);
        return { fileError(package, errorNumber(error)) };
    }
    if (const auto& between = replacementCalls().betweenRenames) between();
    if (const int error = renamed(work, package)) {
        // Put back; when even that fails, the old package stays aside and the build beside it,
        // both named by the journal, for the next save or open there to settle.
        if (renamed(journal.aside, package) != 0) return { fileError(package, errorNumber(error)), true };
        removeFileQuietly(journal.file);
        return { fileError(package, errorNumber(error)) };
    }
    static_cast<void>(synced(package.parent_path()));
    oldLock.reset();
    finish(journal);
    return {};
}

} // namespace

namespace package_detail {

ReplacementCalls& replacementCalls()
{
    static ReplacementCalls calls {
        .rename =
            [](const fs::path& from, const fs::path& to, unsigned flags) {
                return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), flags) == 0 ? 0 : errno;
            },
        .betweenRenames = {},
        .sync = [](const fs::path& path) { return syncFile(path); },
    };
    return calls;
}

} // namespace package_detail

BuildMove moveBuildIntoPlace(const fs::path& work, const fs::path& package)
{
    int error = renamed(work, package, RENAME_NOREPLACE);
    if (error == 0) return {};
    if (cannotRenameThisWay(error)) {
        if (!isThere(package)) {
            error = renamed(work, package);
            if (error == 0) return {};
            return { fileError(package, errorNumber(error)) };
        }
    } else if (error != EEXIST && error != ENOTEMPTY) {
        return { fileError(package, errorNumber(error)) };
    }

    std::optional<ExclusiveFileLock> oldLock(std::in_place, package / packageLockName);
    if (oldLock->heldElsewhere()) return { savingElsewhere(package) };
    // A swap is one step: a kill leaves either package at the target's name.
    error = renamed(work, package, RENAME_EXCHANGE);
    if (error == 0) {
        // Released first: a file system that keeps removed open files (FUSE) could not empty the folder.
        oldLock.reset();
        removeTreeQuietly(work);
        return {};
    }
    if (!cannotRenameThisWay(error)) return { fileError(package, errorNumber(error)) };
    return replaceWithoutSwap(work, package, oldLock);
}

void recoverInterruptedReplacements(const fs::path& folder)
{
    const auto found = journalsIn(folder);
    for (const auto& journal : found.ours)
        recover(journal);
    for (const auto& foreign : found.foreign)
        logLeftAlone(foreign);
}

void removeStalePackageBuilds(const fs::path& folder)
{
    // A replacement that could not be completed yet keeps its packages.
    std::set<fs::path> awaited;
    for (const auto& journal : journalsIn(folder).ours) {
        awaited.insert(journal.build);
        awaited.insert(journal.aside);
    }
    std::vector<fs::path> stale;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::error_code ignored;
        if (entry->is_symlink(ignored) || !entry->is_directory(ignored) || awaited.contains(entry->path())) continue;
        if (isStaleTemporary(*entry) || isEmptiedAside(*entry)) stale.push_back(entry->path());
    }
    for (const auto& build : stale) {
        const ExclusiveFileLock lock(build / packageLockName);
        if (!lock.heldElsewhere()) removeTreeQuietly(build);
    }
}

} // namespace tl
