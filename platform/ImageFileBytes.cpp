#include "platform/ImageFileBytes.h"

#include <fstream>
#include <system_error>

namespace tl {

std::optional<std::vector<std::uint8_t>> readFileBytes(const std::filesystem::path& path, std::uintmax_t largest)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    const std::uintmax_t fileSize = std::filesystem::file_size(path, error);
    if (error || fileSize > largest) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    // Read to the end rather than trusting the size: the file may change while we read it.
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(fileSize));
    char buffer[1 << 16];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + file.gcount());
        if (bytes.size() > largest) return std::nullopt;
    }
    if (file.bad()) return std::nullopt;
    return bytes;
}

std::optional<std::vector<std::uint8_t>> readImageFileBytes(const std::filesystem::path& path)
{
    return readFileBytes(path, kLargestImageFileBytes);
}

} // namespace tl
