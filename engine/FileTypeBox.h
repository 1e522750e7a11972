#pragma once

#include <cstdint>
#include <vector>

namespace tl {

// Rewrites the leading `ftyp` box of an ISO media file in place, in memory form: each compatible brand
// once, the freed bytes turned into a `free` box of the same length, so every later offset holds and
// the size never changes (libheif repeats the brands once per image, and some readers refuse an
// `ftyp` larger than 50 bytes). Returns false when the bytes do not start with a well-formed `ftyp` box.
bool compactFileTypeBox(std::vector<std::uint8_t>& head);

} // namespace tl
