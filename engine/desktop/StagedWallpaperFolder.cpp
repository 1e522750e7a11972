#include "engine/desktop/StagedWallpaperFolder.h"

#include "engine/desktop/WallpaperSource.h"
#include "platform/FileReplacement.h"
#include "platform/UserFolders.h"

#include <cstdio>
#include <fcntl.h>

namespace tl::desktop {

namespace fs = std::filesystem;

namespace {

// Marks a folder as one this program wrote, so a later install may replace it.
constexpr const char* kOwnerMark = ".tidelumine-wallpaper";

DesktopError folderError(const fs::path& path)
{
    return { DesktopError::Kind::fileSystem, "Could not write \"" + path.string() + "\"." };
}

bool isOwnWallpaperFolder(const fs::path& folder)
{
    std::error_code error;
    return fs::is_directory(fs::symlink_status(folder, error)) && fs::exists(folder / kOwnerMark, error);
}

bool exchanged(const fs::path& one, const fs::path& other)
{
    return ::renameat2(AT_FDCWD, one.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE) == 0;
}

} // namespace

Result<StagedWallpaperFolder, DesktopError> StagedWallpaperFolder::begin(const fs::path& wanted)
{
    const fs::path place = fs::absolute(wanted).lexically_normal();
    std::error_code error;
    const bool taken = fs::exists(fs::symlink_status(place, error)) && !isOwnWallpaperFolder(place);
    StagedWallpaperFolder staged(taken ? unusedPath(place) : place, fs::path());
    fs::create_directories(staged.m_folder.parent_path(), error);
    const fs::path staging = temporaryPathBeside(staged.m_folder);
    if (error || !fs::create_directory(staging, error) || error) return folderError(staged.m_folder);
    staged.m_staging = staging;
    if (auto marked = writeTextFile(staging / kOwnerMark, ""); !marked) return marked.error();
    return staged;
}

StagedWallpaperFolder::StagedWallpaperFolder(fs::path folder, fs::path staging)
    : m_folder(std::move(folder))
    , m_staging(std::move(staging))
{
}

StagedWallpaperFolder::StagedWallpaperFolder(StagedWallpaperFolder&& other) noexcept
    : m_folder(std::move(other.m_folder))
    , m_staging(std::exchange(other.m_staging, fs::path()))
{
}

StagedWallpaperFolder::~StagedWallpaperFolder()
{
    std::error_code error;
    if (!m_staging.empty()) fs::remove_all(m_staging, error);
}

fs::path StagedWallpaperFolder::stagedPath(const fs::path& file) const
{
    return m_staging / file.lexically_relative(m_folder);
}

Result<void, DesktopError> StagedWallpaperFolder::commit()
{
    std::error_code error;
    if (!fs::exists(fs::symlink_status(m_folder, error))) {
        fs::rename(m_staging, m_folder, error);
        if (error) return folderError(m_folder);
        m_staging.clear();
        return {};
    }
    // Only an earlier wallpaper of this program is ever here; the exchange leaves it in the staging
    // folder's place, from where it is removed.
    if (!isOwnWallpaperFolder(m_folder) || !exchanged(m_staging, m_folder)) return folderError(m_folder);
    fs::remove_all(m_staging, error);
    m_staging.clear();
    return {};
}

} // namespace tl::desktop
