#pragma once

#include "engine/desktop/DesktopError.h"
#include "platform/Result.h"

#include <filesystem>

namespace tl::desktop {

// A wallpaper folder built beside its place and swapped in whole once every file is written, so a
// failed install leaves the wallpaper that was there whole and still shown. The place is `wanted`
// when nothing is there or a folder this program wrote (carrying its owner mark), else a free name
// beside it: nothing this program did not write is ever replaced. Files are written into
// `staging()` but name each other by their place in `folder()`, where they will be read.
class StagedWallpaperFolder {
public:
    static Result<StagedWallpaperFolder, DesktopError> begin(const std::filesystem::path& wanted);

    StagedWallpaperFolder(StagedWallpaperFolder&& other) noexcept;
    StagedWallpaperFolder& operator=(StagedWallpaperFolder&&) = delete;
    ~StagedWallpaperFolder(); // an uncommitted staging folder is removed

    const std::filesystem::path& folder() const { return m_folder; }
    const std::filesystem::path& staging() const { return m_staging; }
    // Where `file` (a path inside `folder()`) is written now.
    std::filesystem::path stagedPath(const std::filesystem::path& file) const;

    // Puts the staged folder in place, then removes the one it replaced.
    Result<void, DesktopError> commit();

private:
    StagedWallpaperFolder(std::filesystem::path folder, std::filesystem::path staging);

    std::filesystem::path m_folder;
    std::filesystem::path m_staging;
};

} // namespace tl::desktop
