#include "platform/ImageSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace tl {

std::optional<ImageSource> ImageSource::openFile(const std::filesystem::path& path, std::uintmax_t largest)
{
    // Without O_NONBLOCK, opening a FIFO put in the file's place after the caller looked would wait
    // for a writer that never comes; the type is checked on what was actually opened.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) return std::nullopt;
    ImageSource source(descriptor, {}, 0);
    struct stat status { };
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)
        || static_cast<std::uintmax_t>(status.st_size) > largest)
        return std::nullopt;
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) return std::nullopt;
    source.size_ = static_cast<std::uint64_t>(status.st_size);
    return source;
}

ImageSource ImageSource::inMemory(std::span<const std::uint8_t> bytes)
{
    return ImageSource(-1, bytes, bytes.size());
}

ImageSource::ImageSource(int descriptor, std::span<const std::uint8_t> bytes, std::uint64_t size)
    : descriptor_(descriptor)
    , bytes_(bytes)
    , size_(size)
{
}

ImageSource::ImageSource(ImageSource&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1))
    , bytes_(other.bytes_)
    , size_(other.size_)
{
}

ImageSource::~ImageSource()
{
    if (descriptor_ >= 0) ::close(descriptor_);
}

bool ImageSource::read(std::uint64_t offset, std::span<std::uint8_t> out) const
{
    if (offset > size_ || out.size() > size_ - offset) return false;
    if (out.empty()) return true; // an empty source has no bytes to copy from, not even a pointer
    if (descriptor_ < 0) {
        std::memcpy(out.data(), bytes_.data() + offset, out.size());
        return true;
    }
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got
            = ::pread(descriptor_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false; // the file shrank or failed while we read it
        done += static_cast<std::size_t>(got);
    }
    return true;
}

std::vector<std::uint8_t> ImageSource::head(std::size_t count) const
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(count, size_)));
    if (!read(0, bytes)) bytes.clear();
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ImageSource::whole() const
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size_));
    if (!read(0, bytes)) return std::nullopt;
    return bytes;
}

} // namespace tl
