#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

struct HttpHeader {
    std::string name;
    std::string value;
    friend bool operator==(const HttpHeader&, const HttpHeader&) = default;
};

using HttpHeaders = std::vector<HttpHeader>;

// The value of the first header of that name, compared without regard to letter case.
std::optional<std::string> headerValue(const HttpHeaders& headers, std::string_view name);

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    HttpHeaders headers;
    std::string body;
    // The longest time the transfer may go without moving a byte; the transport's default when absent.
    std::optional<std::chrono::milliseconds> timeout;
    // The longest the whole exchange may take, however steadily bytes move; the transport's
    // default when absent.
    std::optional<std::chrono::milliseconds> deadline;

    // Replaces every header of that name (any letter case) by one with this value.
    void setHeader(std::string_view name, std::string value);
    std::optional<std::string> header(std::string_view name) const { return headerValue(headers, name); }
};

struct HttpResponse {
    long status = 0;
    // Only the final response's headers, after any redirects.
    HttpHeaders headers;
    std::string body;

    std::optional<std::string> header(std::string_view name) const { return headerValue(headers, name); }
    bool succeeded() const { return status >= 200 && status <= 299; }
};

} // namespace tl
