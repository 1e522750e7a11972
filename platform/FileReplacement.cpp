#include "platform/FileReplacement.h"

#include "platform/Uuid.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tl {
namespace {

constexpr std::string_view temporaryPrefix = ".tidelumine-";
constexpr std::string_view temporaryMark = ".tmp";
// Longer endings are left off the temporary: they would make its name grow with the target's.
constexpr std::size_t longestKeptEnding = 16;
constexpr std::size_t uuidLength = 36;

std::error_code lastError()
{
    return { errno, std::generic_category() };
}

bool isUuidAt(std::string_view name, std::size_t at)
{
    return name.size() >= at + uuidLength && Uuid::parse(name.substr(at, uuidLength)).has_value();
}

// ".tidelumine-UUID.tmp" with an optional ending.
bool isCurrentTemporaryName(std::string_view name)
{
    if (!name.starts_with(temporaryPrefix) || !isUuidAt(name, temporaryPrefix.size())) return false;
    const std::string_view rest = name.substr(temporaryPrefix.size() + uuidLength);
    return rest.starts_with(temporaryMark)
        && (rest.size() == temporaryMark.size() || rest[temporaryMark.size()] == '.');
}

// ".STEM.tmp-UUID" with an optional ending, as earlier versions named them.
bool isEarlierTemporaryName(std::string_view name)
{
    constexpr std::string_view mark = ".tmp-";
    if (!name.starts_with('.')) return false;
    for (auto at = name.find(mark, 1); at != std::string_view::npos; at = name.find(mark, at + 1)) {
        const std::size_t end = at + mark.size() + uuidLength;
        if (isUuidAt(name, at + mark.size()) && (end == name.size() || name[end] == '.')) return true;
    }
    return false;
}

// Writes all of `bytes` to `file`, retrying short and interrupted writes.
std::error_code writeAll(int file, std::string_view bytes)
{
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t count = ::write(file, bytes.data() + written, bytes.size() - written);
        if (count >= 0) {
            written += static_cast<std::size_t>(count);
        } else if (errno != EINTR) {
            return lastError();
        }
    }
    return {};
}

// Flushes and closes `file`; the first error of the two.
std::error_code syncAndClose(int file)
{
    std::error_code error;
    if (::fsync(file) != 0) error = lastError();
    if (::close(file) != 0 && !error) error = lastError();
    return error;
}

int openNewFile(const fs::path& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

} // namespace

fs::path temporaryPathBeside(const fs::path& target)
{
    std::string ending = target.extension().string();
    if (ending.size() > longestKeptEnding) ending.clear();
    return target.parent_path()
        / (std::string(temporaryPrefix) + Uuid::random().text() + std::string(temporaryMark) + ending);
}

std::error_code replaceFileThroughTemporary(
    const fs::path& target, const std::function<std::error_code(const fs::path& temporary)>& write)
{
    const fs::path temporary = temporaryPathBeside(target);
    std::error_code error = write(temporary);
    if (!error) fs::rename(temporary, target, error);
    if (error) removeFileQuietly(temporary);
    return error;
}

void removeFileQuietly(const fs::path& path)
{
    std::error_code ignored;
    fs::remove(path, ignored);
}

std::error_code writeFileDurably(const fs::path& path, std::string_view bytes)
{
    const int file = openNewFile(path);
    if (file < 0) return lastError();
    const std::error_code error = writeAll(file, bytes);
    const std::error_code closed = syncAndClose(file);
    return error ? error : closed;
}

Result<void, FileCopyError> copyFileDurably(const fs::path& source, const fs::path& target)
{
    const auto failed = [](FileCopyError::Side side) { return FileCopyError { side, lastError() }; };
    // Allocated before any file is open, so running out of memory leaves no descriptor behind.
    std::string buffer(std::size_t { 1 } << 20, '\0');
    const int input = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (input < 0) return failed(FileCopyError::Side::source);
    const int output = openNewFile(target);
    if (output < 0) {
        const auto error = failed(FileCopyError::Side::target);
        ::close(input);
        return error;
    }
    std::optional<FileCopyError> error;
    while (!error) {
        const ssize_t count = ::read(input, buffer.data(), buffer.size());
        if (count == 0) break;
        if (count < 0) {
            if (errno != EINTR) error = failed(FileCopyError::Side::source);
        } else if (const auto written
            = writeAll(output, std::string_view(buffer.data(), static_cast<std::size_t>(count)))) {
            error = FileCopyError { FileCopyError::Side::target, written };
        }
    }
    ::close(input);
    if (const auto closed = syncAndClose(output); closed && !error)
        error = FileCopyError { FileCopyError::Side::target, closed };
    if (error) return *error;
    return {};
}

std::error_code replaceFileWithBytes(const fs::path& target, std::string_view bytes)
{
    return replaceFileThroughTemporary(
        target, [bytes](const fs::path& temporary) { return writeFileDurably(temporary, bytes); });
}

std::error_code syncFile(const fs::path& path)
{
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return lastError();
    std::error_code error;
    if (::fsync(file) != 0) error = lastError();
    ::close(file);
    return error;
}

bool isReplacementTemporaryName(std::string_view name)
{
    return isCurrentTemporaryName(name) || isEarlierTemporaryName(name);
}

bool isStaleTemporary(const fs::directory_entry& entry)
{
    if (!isReplacementTemporaryName(entry.path().filename().string())) return false;
    std::error_code error;
    const auto modified = entry.last_write_time(error);
    return !error && fs::file_time_type::clock::now() - modified >= staleTemporaryAge;
}

void removeStaleReplacementTemporaries(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::error_code ignored;
        if (entry->is_regular_file(ignored) && isStaleTemporary(*entry)) fs::remove(entry->path(), ignored);
    }
}

} // namespace tl
