#include "platform/Resources.h"

#include <system_error>

namespace tl {

std::optional<std::filesystem::path> FolderResources::find(std::string_view fileName) const
{
    for (const auto& folder : folders_) {
        auto candidate = folder / fileName;
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) return candidate;
    }
    return std::nullopt;
}

const Resources& programResources()
{
    static const FolderResources resources = [] {
        std::vector<std::filesystem::path> folders;
        std::error_code error;
        const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
        if (!error) folders.push_back(executable.parent_path().parent_path() / "share" / "tidelumine");
        folders.emplace_back(TIDELUMINE_BUILD_RESOURCE_DIR);
        return FolderResources(std::move(folders));
    }();
    return resources;
}

} // namespace tl
