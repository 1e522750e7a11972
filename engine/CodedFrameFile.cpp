#include "engine/CodedFrameFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

namespace tl {
namespace {

std::error_code lastError()
{
    return { errno, std::generic_category() };
}

// Each unit as its length in four bytes, big-endian, then its bytes.
std::string serialised(const HevcCodedImage& image)
{
    std::string bytes;
    for (const std::string& unit : image.units) {
        const auto length = static_cast<std::uint32_t>(unit.size());
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<char>((length >> shift) & 0xff));
        bytes += unit;
    }
    return bytes;
}

} // namespace

std::optional<CodedFrameFile> CodedFrameFile::createIn(const std::filesystem::path& folder)
{
    const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor < 0) return std::nullopt;
    return CodedFrameFile(descriptor);
}

CodedFrameFile::CodedFrameFile(int descriptor)
    : descriptor_(descriptor)
{
}

CodedFrameFile::CodedFrameFile(CodedFrameFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1))
    , end_(other.end_.load())
{
}

CodedFrameFile::~CodedFrameFile()
{
    if (descriptor_ >= 0) ::close(descriptor_);
}

std::variant<CodedFrameFile::Stored, std::error_code> CodedFrameFile::store(const HevcCodedImage& image)
{
    const std::string bytes = serialised(image);
    const std::uint64_t offset = end_.fetch_add(bytes.size());
    for (std::size_t written = 0; written < bytes.size();) {
        const ssize_t count = ::pwrite(
            descriptor_, bytes.data() + written, bytes.size() - written, static_cast<off_t>(offset + written));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return count < 0 ? lastError() : std::make_error_code(std::errc::no_space_on_device);
        written += static_cast<std::size_t>(count);
    }
    return Stored { .width = image.width,
        .height = image.height,
        .codedWidth = image.codedWidth,
        .codedHeight = image.codedHeight,
        .offset = offset,
        .length = bytes.size() };
}

std::variant<HevcCodedImage, std::error_code> CodedFrameFile::load(const Stored& frame) const
{
    std::string bytes(frame.length, '\0');
    for (std::size_t read = 0; read < bytes.size();) {
        const ssize_t count
            = ::pread(descriptor_, bytes.data() + read, bytes.size() - read, static_cast<off_t>(frame.offset + read));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return count < 0 ? lastError() : std::make_error_code(std::errc::io_error);
        read += static_cast<std::size_t>(count);
    }
    HevcCodedImage image { frame.width, frame.height, frame.codedWidth, frame.codedHeight, {} };
    for (std::size_t at = 0; at < bytes.size();) {
        if (bytes.size() - at < 4) return std::make_error_code(std::errc::io_error);
        std::uint32_t length = 0;
        for (int index = 0; index < 4; ++index)
            length = (length << 8) | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(index)]);
        at += 4;
        if (bytes.size() - at < length) return std::make_error_code(std::errc::io_error);
        image.units.emplace_back(bytes, at, length);
        at += length;
    }
    return image;
}

} // namespace tl
