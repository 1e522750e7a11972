#include "engine/upscale/ModelLocation.h"

namespace tl {

std::vector<std::filesystem::path> upscaleModelCandidates()
{
    std::vector<std::filesystem::path> candidates;
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        candidates.push_back(
            executable.parent_path() / ".." / "share" / "tidelumine" / "models" / upscaleModelFileName);
    }
    candidates.push_back(std::filesystem::path(TIDELUMINE_BUILD_MODEL_DIR) / upscaleModelFileName);
    return candidates;
}

std::optional<std::filesystem::path> findUpscaleModel()
{
    for (const auto& candidate : upscaleModelCandidates()) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) return candidate.lexically_normal();
    }
    return std::nullopt;
}

} // namespace tl
