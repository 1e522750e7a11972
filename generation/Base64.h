#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tl::base64 {

// Standard alphabet with "=" padding and no line breaks.
std::string encode(std::string_view bytes);

// Strict decoding: any character outside the alphabet, or wrong padding, fails.
std::optional<std::string> decode(std::string_view text);
// Skips characters outside the alphabet (line breaks, blanks) before decoding.
std::optional<std::string> decodeIgnoringUnknown(std::string_view text);

// What image sources accept: the decoding succeeds and yields at least one byte. Text that
// decodes to nothing is no image and lets the caller try its next source.
std::optional<std::string> decodeImage(std::string_view text, bool ignoreUnknown);

} // namespace tl::base64
