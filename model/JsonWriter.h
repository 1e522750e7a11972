#pragma once

#include "model/CodingResult.h"

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace tl {

enum class JsonLayout {
    compact, // no whitespace at all
    pretty, // one member per line, two-space indentation, " : " after keys
};

// The one JSON text form the app writes: keys in ascending order, "/" escaped as "\/",
// other control characters than the short escapes as lower-case \u00xx, non-ASCII text
// raw, doubles in their shortest round-trip form. Fails on a non-finite number or on
// a string that is not valid UTF-8, which no reader would accept back.
CodingResult<std::string> writeJson(const nlohmann::json& value, JsonLayout layout);

} // namespace tl
