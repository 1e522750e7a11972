#include "platform/ImageFileBytes.h"

#include "platform/ImageSource.h"

namespace tl {

std::optional<std::vector<std::uint8_t>> readFileBytes(const std::filesystem::path& path, std::uintmax_t largest)
{
    // Opened and checked as one, so a FIFO put in the file's place cannot make the read wait.
    const auto source = ImageSource::openFile(path, largest);
    if (!source) return std::nullopt;
    return source->whole();
}

std::optional<std::vector<std::uint8_t>> readImageFileBytes(const std::filesystem::path& path)
{
    return readFileBytes(path, kLargestImageFileBytes);
}

} // namespace tl
