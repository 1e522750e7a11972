#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tl {

// A property-list value: integer, real (kept a real even when whole), ASCII text, array or dictionary.
struct PropertyListValue;
using PropertyListArray = std::vector<PropertyListValue>;
using PropertyListDictionary = std::vector<std::pair<std::string, PropertyListValue>>;

struct PropertyListValue {
    std::variant<std::int64_t, double, std::string, PropertyListArray, PropertyListDictionary> value;
};

// Serialises in the binary property-list format, version 1.0 ("bplist00"); equal texts are stored once.
std::vector<std::uint8_t> serializeBinaryPropertyList(const PropertyListValue& root);

} // namespace tl
