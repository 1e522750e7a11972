#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tl {

// `bytes` with every invalid UTF-8 sequence replaced by U+FFFD, so it can be
// shown and stored as text. Valid text comes back unchanged.
std::string validUtf8(std::string_view bytes);

// One spelling per location: absolute, lexically normal, without a trailing
// separator. An empty path stays empty.
std::filesystem::path normalizedPath(const std::filesystem::path& path);

} // namespace tl
