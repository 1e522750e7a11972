#include "app/Appcast.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace tl {
namespace {

std::string decodeEntities(std::string_view text)
{
    static constexpr std::array<std::pair<std::string_view, char>, 5> entities { { { "&amp;", '&' }, { "&lt;", '<' },
        { "&gt;", '>' }, { "&quot;", '"' }, { "&apos;", '\'' } } };
    std::string result;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, character] : entities) {
            if (text.substr(i, entity.size()) == entity) {
                result += character;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) result += text[i++];
    }
    return result;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The text of the first <tag>...</tag> in `xml`, CDATA unwrapped.
std::optional<std::string> elementText(std::string_view xml, std::string_view tag)
{
    const std::string open = "<" + std::string(tag);
    std::size_t start = 0;
    while ((start = xml.find(open, start)) != std::string_view::npos) {
        const std::size_t afterName = start + open.size();
        if (afterName < xml.size()
            && (xml[afterName] == '>' || std::isspace(static_cast<unsigned char>(xml[afterName]))))
            break;
        start = afterName;
    }
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t contentStart = xml.find('>', start);
    if (contentStart == std::string_view::npos || xml[contentStart - 1] == '/') return std::nullopt;
    const std::size_t contentEnd = xml.find("</" + std::string(tag) + ">", contentStart);
    if (contentEnd == std::string_view::npos) return std::nullopt;
    auto content = trimmed(xml.substr(contentStart + 1, contentEnd - contentStart - 1));
    if (content.starts_with("<![CDATA[") && content.ends_with("]]>")) {
        return std::string(content.substr(9, content.size() - 12));
    }
    return decodeEntities(content);
}

// The value of `name="..."` (or single quotes) inside the first <tag ...> of `xml`.
std::optional<std::string> attribute(std::string_view xml, std::string_view tag, std::string_view name)
{
    const std::size_t start = xml.find("<" + std::string(tag));
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t end = xml.find('>', start);
    const std::string_view element = xml.substr(start, end == std::string_view::npos ? xml.npos : end - start);
    const std::string key = " " + std::string(name) + "=";
    const std::size_t found = element.find(key);
    if (found == std::string_view::npos) return std::nullopt;
    const std::size_t quote = found + key.size();
    if (quote >= element.size() || (element[quote] != '"' && element[quote] != '\'')) return std::nullopt;
    const std::size_t close = element.find(element[quote], quote + 1);
    if (close == std::string_view::npos) return std::nullopt;
    return decodeEntities(element.substr(quote + 1, close - quote - 1));
}

std::vector<long long> versionParts(std::string_view version)
{
    std::vector<long long> parts;
    std::size_t i = 0;
    while (i < version.size()) {
        long long part = 0;
        while (i < version.size() && std::isdigit(static_cast<unsigned char>(version[i]))) {
            part = std::min(part * 10 + (version[i] - '0'), 1'000'000'000'000LL);
            ++i;
        }
        parts.push_back(part);
        while (i < version.size() && version[i] != '.')
            ++i;
        if (i < version.size()) ++i;
    }
    return parts;
}

} // namespace

std::vector<AppcastItem> parseAppcast(std::string_view xml)
{
    std::vector<AppcastItem> items;
    std::size_t position = 0;
    while ((position = xml.find("<item", position)) != std::string_view::npos) {
        const std::size_t end = xml.find("</item>", position);
        if (end == std::string_view::npos) break;
        const std::string_view item = xml.substr(position, end - position);
        position = end;

        auto version = elementText(item, "sparkle:version");
        if (!version) version = attribute(item, "enclosure", "sparkle:version");
        if (!version || version->empty()) continue;
        auto display = elementText(item, "sparkle:shortVersionString");
        if (!display) display = attribute(item, "enclosure", "sparkle:shortVersionString");
        auto link = elementText(item, "link");
        if (!link) link = attribute(item, "enclosure", "url");
        items.push_back({ *version, display.value_or(*version), link.value_or("") });
    }
    return items;
}

int compareVersions(std::string_view first, std::string_view second)
{
    auto a = versionParts(first);
    auto b = versionParts(second);
    const std::size_t length = std::max(a.size(), b.size());
    a.resize(length, 0);
    b.resize(length, 0);
    for (std::size_t i = 0; i < length; ++i) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

std::optional<AppcastItem> newestUpdate(const std::vector<AppcastItem>& items, std::string_view currentVersion)
{
    std::optional<AppcastItem> newest;
    for (const auto& item : items) {
        if (compareVersions(item.version, currentVersion) <= 0) continue;
        if (!newest || compareVersions(item.version, newest->version) > 0) newest = item;
    }
    return newest;
}

} // namespace tl
