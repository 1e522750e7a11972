#include "app/ProjectPackage.h"

#include "app/PackageFileNames.h"
#include "app/PackageFrameLedger.h"
#include "app/ProjectPackageErrors.h"
#include "app/ProjectPackageReplacement.h"
#include "platform/FileLock.h"
#include "platform/FileReplacement.h"
#include "platform/Log.h"
#include "platform/Text.h"

namespace fs = std::filesystem;

namespace tl {
namespace {

using package_detail::changedElsewhere;
using package_detail::fileError;
using package_detail::isLink;
using package_detail::readRecordText;
using package_detail::savingElsewhere;

void removeTreeQuietly(const fs::path& path)
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

// What a write made, removed again (newest first, folders only when empty) unless it is kept.
class CreatedEntries {
public:
    CreatedEntries() = default;
    CreatedEntries(const CreatedEntries&) = delete;
    CreatedEntries& operator=(const CreatedEntries&) = delete;
    ~CreatedEntries()
    {
        for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry)
            removeFileQuietly(*entry);
    }

    void add(fs::path entry) { entries_.push_back(std::move(entry)); }
    void keep() { entries_.clear(); }

private:
    std::vector<fs::path> entries_;
};

// Creates `folder` and the missing folders above it, noting each one made.
Result<void, PackageError> makeFolders(const fs::path& folder, CreatedEntries& created)
{
    std::vector<fs::path> missing;
    std::error_code error;
    for (fs::path at = folder; !fs::exists(fs::symlink_status(at, error)); at = at.parent_path()) {
        missing.push_back(at);
        if (at == at.parent_path()) break;
    }
    for (auto made = missing.rbegin(); made != missing.rend(); ++made) {
        if (!fs::create_directory(*made, error) && error) return fileError(*made, error);
        created.add(*made);
    }
    if (!fs::is_directory(folder, error)) return fileError(folder, std::make_error_code(std::errc::not_a_directory));
    return {};
}

// Copies through a temporary beside `target`, so a frame file is never seen half written. Errors
// name the side that failed: the source when it cannot be read, else `shownTarget` with the cause.
Result<void, PackageError> copyIntoPlace(const fs::path& source, const fs::path& target, const fs::path& shownTarget)
{
    std::optional<FileCopyError> failure;
    const auto error = replaceFileThroughTemporary(target, [&](const fs::path& temporary) {
        auto copied = copyFileDurably(source, temporary);
        if (copied) return std::error_code();
        failure = copied.error();
        return failure->error;
    });
    if (failure && failure->side == FileCopyError::Side::source) return fileError(source, failure->error);
    if (error) return fileError(shownTarget, error);
    return {};
}

// Copies every frame that is not in its place yet into `images`, which the user knows as
// `shownImages`, noting the files it made and the names it wrote.
Result<void, PackageError> copyFrames(const PackageContents& contents, const fs::path& images,
    const fs::path& shownImages, CreatedEntries& created, std::vector<std::string>& written)
{
    for (const auto& frame : contents.frames) {
        const fs::path target = images / frame.fileName;
        if (isSameFile(frame.source, target)) continue;
        std::error_code error;
        const bool existed = fs::exists(fs::symlink_status(target, error));
        if (auto copied = copyIntoPlace(frame.source, target, shownImages / frame.fileName); !copied) return copied;
        if (!existed) created.add(target);
        written.push_back(frame.fileName);
        log("Copied " + escapedForDisplay(frame.fileName) + " to package");
    }
    return {};
}

// Whether the package still holds the record this instance last read or wrote there.
bool holdsExpectedRecord(const PackageContents& contents)
{
    if (!contents.expectedRecord) return true;
    const auto found = readRecordText(contents.package / projectRecordName);
    return found && found.value() == *contents.expectedRecord;
}

// The open project's own package, written where it stands under its lock: frames first, each
// through a temporary, then the record, so a write stopped anywhere leaves every frame readable.
Result<void, PackageError> writeInPlace(const PackageContents& contents)
{
    const fs::path& package = contents.package;
    const ExclusiveFileLock lock(package / packageLockName);
    if (lock.heldElsewhere()) return savingElsewhere(package);
    if (!holdsExpectedRecord(contents)) return changedElsewhere(package);
    removeStaleReplacementTemporaries(package);

    const fs::path images = package / packageImagesFolderName;
    CreatedEntries created;
    // A linked "images" would have us write outside the package; the package gets a real folder.
    if (std::error_code error; isLink(images) && !fs::remove(images, error)) return fileError(images, error);
    // Not create_directories: a package moved away meanwhile must not come back as an empty shell.
    if (std::error_code error; fs::create_directory(images, error)) {
        created.add(images);
    } else if (error) {
        return fileError(images, error);
    } else if (!fs::is_directory(images, error)) {
        return fileError(images, std::make_error_code(std::errc::not_a_directory));
    }
    removeStaleReplacementTemporaries(images);

    std::vector<std::string> written;
    if (auto copied = copyFrames(contents, images, images, created, written); !copied) return copied;
    addToFrameLedger(package, written);
    // The frames' renames must reach the disk before the record that names them.
    if (const auto synced = syncFile(images)) return fileError(images, synced);
    const fs::path record = package / projectRecordName;
    if (const auto error = replaceFileWithBytes(record, contents.record)) return fileError(record, error);
    created.keep();
    // The record is in place; a failed flush of its rename cannot be undone, only left to the system.
    static_cast<void>(syncFile(package));
    removeUnneededFrameFiles(package, contents.keptFileNames, contents.openLock.get());
    return {};
}

// Any other target: the whole package is built beside it under a temporary name and renamed into
// place last, so a Save As stopped anywhere leaves the old state or the whole new package.
Result<void, PackageError> writeBeside(const PackageContents& contents)
{
    const fs::path& package = contents.package;
    std::error_code error;
    // Only a package is replaced; a file of that name stays, and the save says why.
    if (fs::exists(fs::symlink_status(package, error)) && !fs::is_directory(package, error))
        return fileError(package, std::make_error_code(std::errc::not_a_directory));

    CreatedEntries createdFolders;
    if (auto made = makeFolders(package.parent_path(), createdFolders); !made) return made;
    removeStalePackageBuilds(package.parent_path());

    const fs::path work = temporaryPathBeside(package);
    if (!fs::create_directory(work, error))
        return fileError(package, error ? error : std::make_error_code(std::errc::file_exists));
    struct Build {
        fs::path folder;
        bool finished = false;
        ~Build()
        {
            if (!finished) removeTreeQuietly(folder);
        }
    } build { work };
    // Held until the package is in place, so a sweep by another instance leaves this build alone.
    const ExclusiveFileLock building(work / packageLockName);

    const fs::path images = work / packageImagesFolderName;
    const fs::path shownImages = package / packageImagesFolderName;
    if (!fs::create_directory(images, error)) return fileError(shownImages, error);
    CreatedEntries frameFiles;
    std::vector<std::string> written;
    if (auto copied = copyFrames(contents, images, shownImages, frameFiles, written); !copied) return copied;
    frameFiles.keep();
    addToFrameLedger(work, written);
    if (const auto failedWrite = writeFileDurably(work / projectRecordName, contents.record))
        return fileError(package / projectRecordName, failedWrite);
    if (const auto synced = syncFile(images)) return fileError(shownImages, synced);
    if (const auto synced = syncFile(work)) return fileError(package, synced);

    auto moved = moveBuildIntoPlace(work, package);
    build.finished = moved.result.ok() || moved.buildAwaitsRecovery;
    if (!moved.result) return moved.result;
    createdFolders.keep();
    static_cast<void>(syncFile(package.parent_path()));
    return {};
}

} // namespace

PackageWriteOutcome writePackage(const PackageContents& contents)
{
    recoverInterruptedReplacements(contents.package.parent_path());
    auto written = contents.inPlace ? writeInPlace(contents) : writeBeside(contents);
    if (!written) return { .placedFrames = 0, .result = std::move(written) };
    return { .placedFrames = contents.frames.size(), .result = {} };
}

} // namespace tl
