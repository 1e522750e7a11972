#include "platform/FileReplacement.h"

#include "platform/Uuid.h"

namespace fs = std::filesystem;

namespace tl {

std::error_code replaceFileThroughTemporary(
    const fs::path& target, const std::function<std::error_code(const fs::path& temporary)>& write)
{
    const fs::path temporary = target.parent_path()
        / ("." + target.stem().string() + ".tmp-" + Uuid::random().text() + target.extension().string());
    std::error_code error = write(temporary);
    if (!error) fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
    }
    return error;
}

} // namespace tl
