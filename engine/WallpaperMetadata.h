#pragma once

#include "engine/BinaryPropertyList.h"
#include "engine/HeicFrameSource.h"

#include <string>
#include <string_view>
#include <vector>

namespace tl {

// The XMP namespace the desktop reads dynamic-wallpaper metadata from, and its prefix.
inline constexpr std::string_view desktopNamespace = "http://ns.apple.com/namespace/1.0/";
inline constexpr std::string_view desktopPrefix = "apple_desktop";
inline constexpr std::string_view solarPropertyName = "solar";
inline constexpr std::string_view appearancePropertyName = "apr";

// {"si": [{"i", "a", "z", "o"} per frame, in file order]}: which image shows at which sun position.
PropertyListValue solarRecord(const std::vector<HeicFrameSource>& frames);
// {"l": 0, "d": 1}: the light image is written first, the dark one second.
PropertyListValue appearanceRecord();

// Standard base64 with padding and no line breaks.
std::string base64(const std::vector<std::uint8_t>& bytes);

// One XMP packet holding only the desktop property `propertyName`, whose value is the record as a
// base64 binary property list. The property is an attribute of a self-closing rdf:Description,
// the one form every reader of these files understands.
std::string desktopXmpPacket(const PropertyListValue& record, std::string_view propertyName);

} // namespace tl
