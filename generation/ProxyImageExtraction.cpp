#include "generation/ProxyImageExtraction.h"

#include "generation/Base64.h"
#include "generation/JsonFields.h"
#include "generation/Text.h"
#include "platform/Log.h"
#include "platform/http/WebUrl.h"

#include <nlohmann/json.hpp>

#include <optional>

namespace tl {
namespace {

using Json = nlohmann::json;

const Json* firstElement(const Json* array)
{
    if (!array || !array->is_array() || array->empty()) return nullptr;
    return &array->front();
}

std::optional<std::string> decodeDataImage(const std::string& url)
{
    if (!url.starts_with("data:image/")) return std::nullopt;
    const auto comma = url.find(',');
    if (comma == std::string::npos || comma == 0 || comma + 1 == url.size()) return std::nullopt;
    return base64::decodeImage(std::string_view(url).substr(comma + 1), false);
}

// A download answered with an error page is no image.
GenerationResult<std::string> download(const std::string& url, HttpTransport& transport, std::stop_token stop)
{
    HttpRequest request;
    request.url = url;
    auto sent = transport.send(request, stop);
    if (!sent.ok()) return sent.error();
    if (!sent.value().succeeded()) return ProxyError { ProxyError::Kind::invalidImageResponse };
    return std::move(sent.value().body);
}

bool isDownloadable(const std::string& url)
{
    return url.starts_with("http") && isWebURL(url);
}

} // namespace

const Json* firstChoiceMessage(const Json& reply)
{
    const Json* choice = firstElement(json::member(reply, "choices"));
    const Json* message = choice ? json::member(*choice, "message") : nullptr;
    return message && message->is_object() && !message->empty() ? message : nullptr;
}

GenerationResult<std::string> extractProxyImage(
    const Json& reply, const Json& message, HttpTransport& transport, std::stop_token stop)
{

    if (const Json* image = firstElement(json::member(message, "images"))) {
        if (const Json* imageURL = json::member(*image, "image_url")) {
            if (const auto url = json::text(*imageURL, "url")) {
                log("📝 Found image_url.url: " + std::string(text::prefixCharacters(*url, 100)) + "...");
                if (auto bytes = decodeDataImage(*url)) {
                    log("✅ Extracted image from message.images[].image_url.url (base64 data URL)");
                    return std::move(*bytes);
                }
                if (isDownloadable(*url)) {
                    log("🌐 Downloading image from URL: " + *url);
                    return download(*url, transport, stop);
                }
            }
        }
        if (const auto encoded = json::text(*image, "b64_json")) {
            if (auto bytes = base64::decodeImage(*encoded, false)) {
                log("✅ Extracted image from message.images[].b64_json");
                return std::move(*bytes);
            }
        }
    }

    if (const auto content = json::text(message, "content")) {
        log("📝 Message content: " + std::string(text::prefixCharacters(*content, 200)) + "...");
        if (isDownloadable(*content)) {
            log("🌐 Downloading image from URL: " + *content);
            return download(*content, transport, stop);
        }
    }

    if (const Json* entry = firstElement(json::member(reply, "data"))) {
        if (const auto url = json::text(*entry, "url"); url && isWebURL(*url)) {
            log("🌐 Downloading image from data[].url: " + *url);
            return download(*url, transport, stop);
        }
    }

    log("❌ Could not extract image from any known format");
    return ProxyError { ProxyError::Kind::invalidImageResponse };
}

} // namespace tl
