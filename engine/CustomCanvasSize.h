#pragma once

#include "engine/PixelSize.h"
#include "platform/ImageExtent.h"
#include "platform/Result.h"

#include <string>
#include <string_view>

namespace tl {

// The longest side a custom canvas may have: a square canvas of this side is the largest frame an
// export prepares.
inline constexpr int largestCanvasSide = 16384;
static_assert(std::int64_t { largestCanvasSide } * largestCanvasSide == largestImagePixels);

// Reads a typed custom canvas: each side a decimal whole number from 1 to largestCanvasSide, with
// blanks around it allowed. Anything else (a fraction, an exponent, a hexadecimal prefix, a sign
// other than a minus) is refused, and the error says why in the user's words, naming the side and
// what was typed. Free of widgets, so the command line refuses with the same texts.
Result<PixelSize, std::string> readCustomCanvas(std::string_view width, std::string_view height);

} // namespace tl
