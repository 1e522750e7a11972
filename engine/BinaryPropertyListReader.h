#pragma once

#include "engine/BinaryPropertyList.h"

#include <cstdint>
#include <optional>
#include <span>

namespace tl {

// Reads a binary property list ("bplist00") whose bytes come from a file nobody vouches for. Booleans
// become integers 0 and 1, dates reals; ASCII and UTF-16 texts become UTF-8. Nothing when the bytes
// are damaged, refer outside themselves or back into a container being read, nest deeper than a few
// dozen levels, or would unfold into more than `readPropertyListLimits` allows (a small list whose
// containers share members can stand for billions of values).
std::optional<PropertyListValue> readBinaryPropertyList(std::span<const std::uint8_t> bytes);

struct PropertyListLimits {
    std::size_t maxDepth = 32;
    std::size_t maxValues = 100'000;
    std::size_t maxTextBytes = std::size_t { 4 } << 20;
};
inline constexpr PropertyListLimits readPropertyListLimits {};

} // namespace tl
