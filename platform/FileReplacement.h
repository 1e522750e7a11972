#pragma once

#include "platform/Result.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string_view>
#include <system_error>

namespace tl {

// A hidden name beside `target` for something written in its place: ".tidelumine-UUID.tmp" and the
// target's ending when that is short, so the name stays short whatever the target's.
std::filesystem::path temporaryPathBeside(const std::filesystem::path& target);

// Writes `target` by having `write` fill a hidden temporary file beside it (same folder, same
// ending when the ending is short, since some writers choose the format by it) and renaming that
// over `target`, so nobody ever sees half a file and an existing file is only ever replaced whole.
// The temporary's name is short whatever the target's, so every name the file system accepts can
// be written. On failure the temporary is removed and the error returned: the one `write` gave,
// else the rename's.
std::error_code replaceFileThroughTemporary(const std::filesystem::path& target,
    const std::function<std::error_code(const std::filesystem::path& temporary)>& write);

// Writes `bytes` to a new file at `path`, checking every write and the final flush to disk, so a
// full disk is reported (as its own error, "No space left on device") instead of a cut-off file.
std::error_code writeFileDurably(const std::filesystem::path& path, std::string_view bytes);

// Why a copy failed: reading the source, or writing the copy (its own error, such as "No space
// left on device" or "Read-only file system").
struct FileCopyError {
    enum class Side { source, target } side;
    std::error_code error;
};

// Copies `source` into a new file `target` with the checked writes and final flush of
// `writeFileDurably`. A failed copy leaves `target` for the caller to remove.
Result<void, FileCopyError> copyFileDurably(const std::filesystem::path& source, const std::filesystem::path& target);

// Replaces `target` whole with `bytes`: the two above together.
std::error_code replaceFileWithBytes(const std::filesystem::path& target, std::string_view bytes);

// Flushes an already written file to disk; the error of a write the system had delayed shows here.
std::error_code syncFile(const std::filesystem::path& path);

// Removes a leftover file on a way out; a file already gone or that cannot be removed is left to
// the folder's later clean-ups rather than reported.
void removeFileQuietly(const std::filesystem::path& path);

// Whether a file name is one of the temporaries above (or of earlier versions of them).
bool isReplacementTemporaryName(std::string_view name);

// A temporary untouched for this long was left by a writer that was killed: a live one writes on
// or renames within moments. Younger ones may belong to another process still writing them.
inline constexpr std::chrono::minutes staleTemporaryAge { 5 };

// Whether `entry` is one of the temporaries above, untouched for `staleTemporaryAge`.
bool isStaleTemporary(const std::filesystem::directory_entry& entry);

// Removes the temporary files a killed writer left in `folder`; nothing else is touched.
void removeStaleReplacementTemporaries(const std::filesystem::path& folder);

} // namespace tl
