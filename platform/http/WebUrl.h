#pragma once

#include <string_view>

namespace tl {

// True for an absolute http or https address with a host; every other text (relative paths,
// "file:" or "data:" addresses, malformed text) is not a web address.
bool isWebURL(std::string_view text);

} // namespace tl
