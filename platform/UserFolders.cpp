#include "platform/UserFolders.h"

namespace tl {

namespace fs = std::filesystem;

std::optional<fs::path> userDataFolder(const Environment& environment)
{
    if (const auto data = environment.variable("XDG_DATA_HOME"); data && fs::path(*data).is_absolute())
        return fs::path(*data);
    if (const auto home = environment.variable("HOME"); home && fs::path(*home).is_absolute())
        return fs::path(*home) / ".local" / "share";
    return std::nullopt;
}

fs::path unusedPath(const fs::path& wanted)
{
    std::error_code error;
    fs::path candidate = wanted;
    for (int suffix = 2; fs::exists(candidate, error); ++suffix)
        candidate = wanted.parent_path() / (wanted.filename().string() + "-" + std::to_string(suffix));
    return candidate;
}

} // namespace tl
