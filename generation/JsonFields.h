#pragma once

#include "platform/JsonNesting.h"
#include "platform/http/HttpMessage.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tl::json {

// The reply's JSON value, or a discarded value when it is not JSON or nests deeper than any
// reply of ours, refused before any value is built.
inline nlohmann::json parse(std::string_view text)
{
    if (jsonNestsDeeperThan(text)) return nlohmann::json(nlohmann::json::value_t::discarded);
    return nlohmann::json::parse(text, nullptr, false);
}

// The member of that name, or null when the value is no object or lacks it.
inline const nlohmann::json* member(const nlohmann::json& record, const char* key)
{
    if (!record.is_object()) return nullptr;
    const auto found = record.find(key);
    return found == record.end() ? nullptr : &*found;
}

// The member's text, or nothing when it is missing or not text.
inline std::optional<std::string> text(const nlohmann::json& record, const char* key)
{
    const auto* value = member(record, key);
    if (!value || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

// Reads an optional text member of a reply record: the outer value is absent when the member
// has the wrong type (the record does not decode); the inner one is absent when the member is
// missing or null.
inline std::optional<std::optional<std::string>> optionalText(const nlohmann::json& record, const char* key)
{
    if (!record.is_object()) return std::nullopt;
    const auto found = record.find(key);
    if (found == record.end() || found->is_null()) return std::optional<std::string> {};
    if (!found->is_string()) return std::nullopt;
    return std::optional<std::string>(found->get<std::string>());
}

// Compact JSON for a request body. Text that is not UTF-8 (a prompt pasted from elsewhere) is
// sent with replacement characters rather than failing the request.
inline std::string compact(const nlohmann::json& value)
{
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The longest a whole exchange may take: creating an image may take minutes.
inline constexpr std::chrono::minutes imageRequestDeadline { 10 };

// A deadline never cuts a request short of its timeout: a server that is merely slow to start
// answering gets the whole timeout the request promises.
inline std::chrono::milliseconds deadlineFor(std::chrono::milliseconds timeout, std::chrono::milliseconds deadline)
{
    return std::max(timeout, deadline);
}

// A POST carrying the body as compact JSON; callers add their own credentials.
inline HttpRequest postRequest(std::string url, const nlohmann::json& body, std::chrono::milliseconds timeout,
    std::chrono::milliseconds deadline = imageRequestDeadline)
{
    HttpRequest request;
    request.method = "POST";
    request.url = std::move(url);
    request.timeout = timeout;
    request.deadline = deadlineFor(timeout, deadline);
    request.setHeader("Content-Type", "application/json");
    request.body = compact(body);
    return request;
}

} // namespace tl::json
