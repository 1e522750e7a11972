#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl::desktop {

// The text of the dynamic-wallpaper property `name` ("solar", "h24", "apr") in an XMP packet, in
// either form writers use: an attribute of rdf:Description or an element of its own. The prefix is
// whichever the packet binds to the desktop's namespace. Nothing when the packet has no such property.
std::optional<std::string> desktopXmpProperty(std::string_view xmp, std::string_view name);

// Standard base64 with or without padding; white space (XMP wraps long values) is skipped.
// Nothing when any other character appears or the text ends mid-byte.
std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text);

} // namespace tl::desktop
