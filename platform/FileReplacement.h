#pragma once

#include <filesystem>
#include <functional>
#include <system_error>

namespace tl {

// Writes `target` by having `write` fill a hidden temporary file beside it (same folder, same
// ending, since some writers choose the format by it) and renaming that over `target`, so
// nobody ever sees half a file and an existing file is only ever replaced whole. On failure the
// temporary is removed and the error returned: the one `write` gave, else the rename's.
std::error_code replaceFileThroughTemporary(const std::filesystem::path& target,
    const std::function<std::error_code(const std::filesystem::path& temporary)>& write);

} // namespace tl
