#include "generation/AINetworkLog.h"

#include "generation/Text.h"
#include "platform/Log.h"
#include "platform/Text.h"

namespace tl {
namespace {

std::string bodyText(const std::string& body)
{
    if (!isValidUtf8(body)) return "<binary " + std::to_string(body.size()) + " bytes>";
    return body;
}

} // namespace

bool AINetworkLog::isEnabled() const
{
    return environment_->variable("TIDELUMINE_NETWORK_LOGS") == "1";
}

void AINetworkLog::line(std::string_view kind, std::string_view service, std::string_view text) const
{
    log("[Tidelumine AI][" + std::string(kind) + "][" + std::string(service) + "] " + std::string(text));
}

void AINetworkLog::logPrompt(
    std::string_view service, std::string_view user, const std::optional<std::string>& system) const
{
    if (!isEnabled()) return;
    if (system && !system->empty()) line("Prompt", service, "System: " + *system);
    line("Prompt", service, "User: " + std::string(user));
}

void AINetworkLog::logRequest(std::string_view service, const HttpRequest& request) const
{
    if (!isEnabled()) return;
    const std::string method = request.method.empty() ? "GET" : request.method;
    const std::string address = request.url.empty() ? "<nil>" : redactedAddress(request.url);
    line("Network", service, method + " " + address);
    if (const auto preview = bodyPreview(&request.body)) line("Network", service, "Body: " + *preview);
}

void AINetworkLog::logResponse(
    std::string_view service, const HttpResponse* response, const std::string* data, std::string_view secret) const
{
    if (!isEnabled()) return;
    line("Network", service, "Status: " + (response ? std::to_string(response->status) : std::string("<nil>")));
    if (!data) return;
    const std::string scrubbed = text::withoutSecret(*data, secret);
    if (const auto preview = bodyPreview(&scrubbed)) line("Network", service, "Response: " + *preview);
}

std::optional<std::string> AINetworkLog::bodyPreview(const std::string* body)
{
    if (!body || body->empty()) return std::nullopt;
    std::string text = bodyText(*body);
    const auto kept = text::prefixCharacters(text, bodyPreviewLength);
    if (kept.size() == text.size()) return text;
    return std::string(kept) + "…";
}

std::string AINetworkLog::redactedAddress(std::string_view url)
{
    const auto query = url.find('?');
    if (query == std::string_view::npos) return std::string(url);
    const auto fragment = url.find('#', query);
    const auto queryEnd = fragment == std::string_view::npos ? url.size() : fragment;

    std::string redacted(url.substr(0, query + 1));
    std::size_t start = query + 1;
    while (start <= queryEnd) {
        auto end = url.find('&', start);
        if (end == std::string_view::npos || end > queryEnd) end = queryEnd;
        const auto item = url.substr(start, end - start);
        redacted += item.starts_with("key=") ? std::string("key=REDACTED") : std::string(item);
        if (end < queryEnd) redacted += '&';
        start = end + 1;
    }
    redacted += url.substr(queryEnd);
    return redacted;
}

} // namespace tl
