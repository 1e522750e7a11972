#include "app/PackageLocation.h"

#include "app/ProjectPackage.h"
#include "platform/Text.h"

namespace tl {

std::optional<std::filesystem::path> packageForSelection(const std::filesystem::path& selection)
{
    auto path = normalizedPath(selection);
    if (path.filename() == projectRecordName) path = path.parent_path();
    const auto extension = path.extension();
    if (extension == ".vorrind" || extension == ".tidelumine") return path;
    return std::nullopt;
}

std::filesystem::path withSavedPackageExtension(const std::filesystem::path& chosen)
{
    auto path = normalizedPath(chosen);
    if (path.extension() == ".vorrind") return path;
    if (path.extension() == ".tidelumine") return path.replace_extension(".vorrind");
    return path.parent_path() / (path.filename().string() + ".vorrind");
}

} // namespace tl
