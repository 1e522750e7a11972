#pragma once

#include <cstddef>
#include <string_view>

namespace tl {

// How deep arrays and objects may nest in any JSON we read (records, replies, templates): real
// documents stay below ten levels, and a parser that builds a value per level runs out of memory
// on a few megabytes of "[[[[".
inline constexpr std::size_t largestJsonNesting = 64;

// Whether the text nests arrays and objects deeper than `limit`, found by counting brackets
// outside strings, so a hostile text is refused before any value is built. Malformed text is
// left to the parser.
bool jsonNestsDeeperThan(std::string_view text, std::size_t limit = largestJsonNesting);

} // namespace tl
