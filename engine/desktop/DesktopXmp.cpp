#include "engine/desktop/DesktopXmp.h"

#include "engine/WallpaperMetadata.h"

namespace tl::desktop {
namespace {

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'
        || c == '.' || c == ':';
}

// The quoted value of `= "value"` (or single quotes) starting at `at`, blanks allowed around "=".
std::optional<std::string_view> attributeValue(std::string_view xmp, std::size_t at)
{
    while (at < xmp.size() && isXmlSpace(xmp[at]))
        ++at;
    if (at >= xmp.size() || xmp[at] != '=') return std::nullopt;
    ++at;
    while (at < xmp.size() && isXmlSpace(xmp[at]))
        ++at;
    if (at >= xmp.size() || (xmp[at] != '"' && xmp[at] != '\'')) return std::nullopt;
    const std::size_t close = xmp.find(xmp[at], at + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return xmp.substr(at + 1, close - at - 1);
}

// The prefix bound to the desktop namespace by an xmlns:prefix="..." declaration.
std::optional<std::string> desktopPrefixIn(std::string_view xmp)
{
    for (std::size_t at = xmp.find("xmlns:"); at != std::string_view::npos; at = xmp.find("xmlns:", at + 1)) {
        std::size_t end = at + 6;
        while (end < xmp.size() && isNameChar(xmp[end]) && xmp[end] != ':')
            ++end;
        const std::string_view prefix = xmp.substr(at + 6, end - at - 6);
        const auto value = attributeValue(xmp, end);
        if (!prefix.empty() && value == desktopNamespace) return std::string(prefix);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> desktopXmpProperty(std::string_view xmp, std::string_view name)
{
    const auto prefix = desktopPrefixIn(xmp);
    if (!prefix) return std::nullopt;
    const std::string qualified = *prefix + ":" + std::string(name);
    for (std::size_t at = xmp.find(qualified); at != std::string_view::npos; at = xmp.find(qualified, at + 1)) {
        std::size_t end = at + qualified.size();
        if (at == 0 || end >= xmp.size() || isNameChar(xmp[end])) continue;
        if (xmp[at - 1] == '<') { // <prefix:name>value</prefix:name>
            while (end < xmp.size() && isXmlSpace(xmp[end]))
                ++end;
            if (end >= xmp.size() || xmp[end] != '>') continue;
            const std::size_t close = xmp.find('<', end + 1);
            if (close == std::string_view::npos) return std::nullopt;
            return std::string(xmp.substr(end + 1, close - end - 1));
        }
        if (!isXmlSpace(xmp[at - 1])) continue;
        if (const auto value = attributeValue(xmp, end)) return std::string(*value);
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    std::uint32_t buffer = 0;
    int bits = 0;
    std::size_t padding = 0;
    for (const char c : text) {
        if (isXmlSpace(c)) continue;
        int value = -1;
        if (c >= 'A' && c <= 'Z')
            value = c - 'A';
        else if (c >= 'a' && c <= 'z')
            value = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            value = c - '0' + 52;
        else if (c == '+')
            value = 62;
        else if (c == '/')
            value = 63;
        else if (c == '=') {
            ++padding;
            continue;
        }
        if (value < 0 || padding > 0) return std::nullopt;
        buffer = (buffer << 6) | static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<std::uint8_t>(buffer >> bits));
        }
    }
    // Left-over bits must be the zero fill of the last byte, never a whole sextet.
    if (bits >= 6 || padding > 2 || (buffer & ((1U << bits) - 1)) != 0) return std::nullopt;
    return bytes;
}

} // namespace tl::desktop
