#include "platform/http/HttpMessage.h"

#include <algorithm>
#include <cctype>

namespace tl {
namespace {

bool sameName(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::optional<std::string> headerValue(const HttpHeaders& headers, std::string_view name)
{
    const auto found
        = std::ranges::find_if(headers, [&](const HttpHeader& header) { return sameName(header.name, name); });
    if (found == headers.end()) return std::nullopt;
    return found->value;
}

void HttpRequest::setHeader(std::string_view name, std::string value)
{
    std::erase_if(headers, [&](const HttpHeader& header) { return sameName(header.name, name); });
    headers.push_back({ std::string(name), std::move(value) });
}

} // namespace tl
