#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tl {

// What a container says about its picture before any pixel is decoded.
struct ContainerFacts {
    std::vector<std::uint8_t> iccProfile; // empty when the file carries none
    std::optional<int> jpegWidth; // JPEG only: the coded size, for scaled decoding
    std::optional<int> jpegHeight;
};

// Reads the embedded ICC profile of a PNG, JPEG, TIFF or WebP file held in memory.
// Malformed or truncated structures simply yield no profile.
ContainerFacts readContainerFacts(std::span<const std::uint8_t> file);

} // namespace tl
