#include "generation/OpenRouterProxyClient.h"

#include "generation/JsonFields.h"

#include "generation/Base64.h"
#include "generation/ProxyImageExtraction.h"
#include "generation/Text.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "platform/http/WebUrl.h"

#include <nlohmann/json.hpp>

namespace tl {
namespace {

using Json = nlohmann::json;

constexpr std::string_view kRoutingPrefix = "openrouter/";

std::string proxiedModel(const std::string& model)
{
    return model.starts_with(kRoutingPrefix) ? model.substr(kRoutingPrefix.size()) : model;
}

Json imagePart(const std::string& imageData, bool highDetail)
{
    Json imageURL = { { "url", "data:image/png;base64," + base64::encode(imageData) } };
    if (highDetail) imageURL["detail"] = "high";
    return { { "type", "image_url" }, { "image_url", std::move(imageURL) } };
}

Json textPart(const std::string& prompt)
{
    return { { "type", "text" }, { "text", prompt } };
}

Json chatBody(const std::string& model, Json content)
{
    return {
        { "model", proxiedModel(model) },
        { "messages", Json::array({ { { "role", "user" }, { "content", std::move(content) } } }) },
        { "modalities", Json::array({ "image", "text" }) },
    };
}

std::string joinedKeys(const Json& object)
{
    std::string joined;
    for (const auto& [key, value] : object.items()) {
        if (!joined.empty()) joined += ", ";
        joined += key;
    }
    return joined;
}

} // namespace

OpenRouterProxyClient::OpenRouterProxyClient(std::string serverURL, ServerContext context)
    : serverURL_(std::move(serverURL))
    , context_(context)
    , tokenManager_(serverURL_, context)
{
}

GenerationResult<std::string> OpenRouterProxyClient::generateImage(
    const std::string& prompt, const std::string& model, std::stop_token stop)
{
    return send("/chat/completions", chatBody(model, prompt), stop);
}

GenerationResult<std::string> OpenRouterProxyClient::editImage(
    const std::string& imageData, const std::string& prompt, const std::string& model, std::stop_token stop)
{
    return send(
        "/chat/completions", chatBody(model, Json::array({ textPart(prompt), imagePart(imageData, false) })), stop);
}

GenerationResult<std::string> OpenRouterProxyClient::editImage(const std::string& imageData,
    const std::string& referenceImageData, const std::string& prompt, const std::string& model, std::stop_token stop)
{
    const Json content
        = Json::array({ textPart(prompt), imagePart(imageData, true), imagePart(referenceImageData, true) });
    return send("/chat/completions", chatBody(model, content), stop);
}

GenerationResult<std::string> OpenRouterProxyClient::send(
    const std::string& path, const Json& body, std::stop_token stop)
{
    const auto url = serverURL_ + "/api/proxy" + path;
    if (!isWebURL(url)) return ProxyError { ProxyError::Kind::invalidURL };

    auto token = tokenManager_.getToken(stop);
    if (!token.ok()) return token.error();
    auto request = json::postRequest(url, body, context_.timeouts.proxy);
    request.setHeader("Authorization", "Bearer " + token.value());

    auto first = perform(request, stop);
    const auto* rejection = first.ok() ? nullptr : std::get_if<ProxyError>(&first.error());
    if (!rejection || rejection->kind != ProxyError::Kind::unauthorized) return first;

    log("⚠️  Token expired, retrying with fresh token...");
    tokenManager_.invalidateToken(token.value());
    auto fresh = tokenManager_.getToken(stop);
    if (!fresh.ok()) return fresh.error();
    request.setHeader("Authorization", "Bearer " + fresh.value());
    return perform(request, stop);
}

GenerationResult<std::string> OpenRouterProxyClient::perform(const HttpRequest& request, std::stop_token stop)
{
    auto sent = context_.transport.send(request, stop);
    if (!sent.ok()) return sent.error();
    const HttpResponse& response = sent.value();
    if (response.status == 401) return ProxyError { ProxyError::Kind::unauthorized };
    if (response.status != 200) {
        // A reply that echoes the request's token quotes it scrubbed.
        constexpr std::string_view bearer = "Bearer ";
        const std::string authorization = request.header("Authorization").value_or("");
        const std::string_view token
            = authorization.starts_with(bearer) ? std::string_view(authorization).substr(bearer.size()) : "";
        const std::string details = text::quotedReplyBody(response.body, token).value_or("No error details");
        log("❌ Proxy error (" + std::to_string(response.status) + "): " + details);
        return ProxyError { ProxyError::Kind::serverError, response.status, details };
    }

    const Json reply = json::parse(response.body);
    if (!reply.is_object()) {
        log("❌ Failed to parse JSON response");
        return ProxyError { ProxyError::Kind::invalidImageResponse };
    }
    log("📦 OpenRouter response keys: " + joinedKeys(reply));

    const Json* message = firstChoiceMessage(reply);
    if (!message) {
        log("❌ Missing choices or message in response");
        log("📄 Response structure:\n" + reply.dump(2, ' ', false, Json::error_handler_t::replace));
        return ProxyError { ProxyError::Kind::invalidImageResponse };
    }
    log("💬 Message keys: " + joinedKeys(*message));
    return extractProxyImage(reply, *message, context_.transport, stop);
}

} // namespace tl
