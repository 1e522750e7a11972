#pragma once

#include "platform/ImageExtent.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tl {

// What a container says about its picture before any pixel is decoded.
struct ContainerFacts {
    std::vector<std::uint8_t> iccProfile; // empty when the file carries none
    // The stored size, for bounding and scaled decoding before any pixel is decoded.
    std::optional<ImageExtent> extent;
};

// Reads the embedded ICC profile of a PNG, JPEG, TIFF or WebP file held in memory, and the stored
// size of those and of GIF and BMP files. Malformed or truncated structures simply yield neither.
ContainerFacts readContainerFacts(std::span<const std::uint8_t> file);

} // namespace tl
