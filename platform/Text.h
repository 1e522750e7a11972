#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tl {

// Length of the well-formed UTF-8 sequence at the start of `text` (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when there is none. `text` must not be empty.
std::size_t utf8SequenceLength(std::string_view text);

// Whether `bytes` is well-formed UTF-8 throughout.
bool isValidUtf8(std::string_view bytes);

// `bytes` with every invalid UTF-8 sequence replaced by U+FFFD, so it can be
// shown and stored as text. Valid text comes back unchanged.
std::string validUtf8(std::string_view bytes);

// `bytes` as valid UTF-8 (as above) with control characters spelled out ("\n", "\t", "\r",
// "\x1B", "\u0085", ...), and the bidirectional controls and line separators too ("\u202E"), so a
// hostile file name can neither break a log line or an alert into pieces nor show itself reversed.
std::string escapedForDisplay(std::string_view bytes);

// One spelling per location: absolute, lexically normal, without a trailing
// separator. An empty path stays empty.
std::filesystem::path normalizedPath(const std::filesystem::path& path);

} // namespace tl
