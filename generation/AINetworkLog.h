#pragma once

#include "platform/Environment.h"
#include "platform/http/HttpMessage.h"

#include <optional>
#include <string>
#include <string_view>

namespace tl {

// The switchable prompt and network log of the public-provider clients, on when the environment
// variable "TIDELUMINE_NETWORK_LOGS" is exactly "1". Each line goes to the log sink whole.
// A "key" query item is printed as "REDACTED", so a key in the address never reaches the log.
class AINetworkLog {
public:
    static constexpr std::size_t bodyPreviewLength = 2000;

    explicit AINetworkLog(const Environment& environment = processEnvironment())
        : environment_(&environment)
    {
    }

    bool isEnabled() const;
    void logPrompt(std::string_view service, std::string_view user, const std::optional<std::string>& system) const;
    void logRequest(std::string_view service, const HttpRequest& request) const;
    // `data` is the response body to print, or nothing for a status line alone; it is printed as
    // `bodyPreview` gives it, with `secret` (the client's own key) scrubbed from it first.
    void logResponse(std::string_view service, const HttpResponse* response, const std::string* data,
        std::string_view secret = {}) const;

    // No value for an absent or empty body; else its text, cut to 2000 characters and "…".
    static std::optional<std::string> bodyPreview(const std::string* body);
    // The address with the value of every "key" query item replaced by "REDACTED".
    static std::string redactedAddress(std::string_view url);

private:
    void line(std::string_view kind, std::string_view service, std::string_view text) const;

    const Environment* environment_;
};

} // namespace tl
