#include "model/JsonPath.h"

namespace tl {

std::string memberPath(std::string_view parent, std::string_view key)
{
    std::string path { parent };
    if (!path.empty()) path += '.';
    return path.append(key);
}

std::string elementPath(std::string_view parent, std::size_t index)
{
    return std::string { parent } + '[' + std::to_string(index) + ']';
}

std::string describePath(std::string_view path)
{
    if (path.empty()) return "the top level";
    return '"' + std::string { path } + '"';
}

} // namespace tl
