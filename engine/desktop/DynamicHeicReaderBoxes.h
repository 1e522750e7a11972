#pragma once

// The few boxes of a HEIC file the dynamic-wallpaper reader reads itself, before libheif sees the
// file: where the primary item is named, and how much memory its metadata items would take.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tl::desktop {

struct BoxSpan {
    std::size_t contentStart = 0;
    std::size_t end = 0;
};

// The first box of `type` among the boxes between `start` and `end`.
std::optional<BoxSpan> findBox(
    const std::vector<std::uint8_t>& file, std::size_t start, std::size_t end, const char* type);

// The offset and width of the item id in the file's primary-item box (meta > pitm).
std::optional<std::pair<std::size_t, std::size_t>> primaryIdField(const std::vector<std::uint8_t>& file);

// The most the file's non-image items (XMP, Exif and the like) can take once read: their declared
// extents, times the largest expansion of their content encoding. libheif reads and inflates every
// one of them when it opens the file, so this is checked first. None when the item boxes are
// damaged or an item names an encoding whose expansion has no known bound.
std::optional<std::uint64_t> metadataItemBytes(const std::vector<std::uint8_t>& file);

} // namespace tl::desktop
