#pragma once

#include "platform/ImageFileBytes.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace tl {

// A picture's bytes in a file or in memory, read a part at a time, so a reader of a large
// uncompressed picture never holds the whole file.
class ImageSource {
public:
    // None when the file is missing, not a regular file or larger than `largest` bytes.
    static std::optional<ImageSource> openFile(
        const std::filesystem::path& path, std::uintmax_t largest = kLargestImageFileBytes);
    // The bytes must outlive the source.
    static ImageSource inMemory(std::span<const std::uint8_t> bytes);

    ImageSource(ImageSource&& other) noexcept;
    ImageSource& operator=(ImageSource&&) = delete;
    ImageSource(const ImageSource&) = delete;
    ImageSource& operator=(const ImageSource&) = delete;
    ~ImageSource();

    std::uint64_t size() const { return size_; }
    // Fills `out` from `offset`; false when the source ends first or cannot be read.
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) const;
    // Up to `count` bytes from the start.
    std::vector<std::uint8_t> head(std::size_t count) const;
    // Every byte, bounded like the file was; none when it cannot be read.
    std::optional<std::vector<std::uint8_t>> whole() const;

private:
    ImageSource(int descriptor, std::span<const std::uint8_t> bytes, std::uint64_t size);

    int descriptor_;
    std::span<const std::uint8_t> bytes_;
    std::uint64_t size_;
};

} // namespace tl
