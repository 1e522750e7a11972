#pragma once

#include "app/ProjectPackage.h"
#include "platform/Result.h"
#include "platform/Text.h"

#include <filesystem>
#include <system_error>

namespace tl::package_detail {

// "“path”: cause", the path escaped for display.
inline PackageError fileError(const std::filesystem::path& path, const std::error_code& error)
{
    return PackageError { "“" + escapedForDisplay(path.string()) + "”: " + error.message() };
}

inline PackageError savingElsewhere(const std::filesystem::path& package)
{
    return PackageError { "“" + escapedForDisplay(package.string())
        + "” is being saved by another instance of Tidelumine" };
}

inline PackageError changedElsewhere(const std::filesystem::path& package)
{
    return PackageError { .description = "“" + escapedForDisplay(package.string()) + "” was changed by another program",
        .changedElsewhere = true };
}

// The record in `file`, read only when it is a regular file of a size a record can have.
Result<std::string, PackageError> readRecordText(const std::filesystem::path& file);

inline bool isLink(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(path, error));
}

} // namespace tl::package_detail
