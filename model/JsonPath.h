#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tl {

// Where a value sits in a JSON document, such as "images[2].altitude", so that a
// coding error can say which value is at fault. The empty path is the document itself.
std::string memberPath(std::string_view parent, std::string_view key);
std::string elementPath(std::string_view parent, std::size_t index);
std::string describePath(std::string_view path);

} // namespace tl
