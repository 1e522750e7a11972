#include "generation/ProviderExchange.h"

#include "generation/PictureSignature.h"
#include "generation/Text.h"
#include "platform/Text.h"
#include "platform/http/WebUrl.h"

namespace tl {

GenerationResult<std::string> ProviderConnection::requireKey() const
{
    auto key = apiKeyProvider->apiKey();
    if (!key || key->empty()) return ImageGenerationError::missingAPIKey();
    return std::move(*key);
}

GenerationResult<HttpResponse> ProviderConnection::exchange(
    std::string_view tag, const HttpRequest& request, std::string_view key, std::stop_token stop) const
{
    log.logRequest(tag, request);
    auto sent = session.send(request, stop);
    if (!sent.ok()) return sent.error();
    log.logResponse(tag, &sent.value(), &sent.value().body, key);
    return std::move(sent).value();
}

GenerationResult<GeneratedImage> ProviderConnection::download(
    std::string_view tag, const std::string& url, std::stop_token stop) const
{
    if (!isWebURL(url)) return ImageGenerationError::decodeFailed();
    HttpRequest request;
    request.url = url;
    log.logRequest(tag, request);
    auto sent = session.send(request, stop);
    if (!sent.ok()) return sent.error();
    log.logResponse(tag, &sent.value(), nullptr);
    if (!sent.value().succeeded() || !looksLikePicture(sent.value().body)) return ImageGenerationError::decodeFailed();
    auto contentType = sent.value().header("Content-Type");
    return GeneratedImage { std::move(sent.value().body), std::move(contentType) };
}

ImageGenerationError statusFailure(std::string_view provider, const HttpResponse& response, std::string_view key)
{
    const std::string body = text::quotedReplyBody(response.body, key).value_or("Unknown error");
    return ImageGenerationError::requestFailed(
        std::string(provider) + " error " + std::to_string(response.status) + ": " + body);
}

// Without a slash, npos + 1 wraps to 0 and the whole name is kept.
std::string modelWithoutProvider(std::string_view model)
{
    const auto trimmed = text::trimmed(model);
    return std::string(trimmed.substr(trimmed.find('/') + 1));
}

std::string bareModelName(std::string_view model)
{
    const auto trimmed = text::trimmed(model);
    return std::string(trimmed.substr(trimmed.rfind('/') + 1));
}

std::string joinNonEmpty(const std::optional<std::string>& systemPrompt, const std::string& prompt)
{
    if (!systemPrompt || systemPrompt->empty()) return prompt;
    if (prompt.empty()) return *systemPrompt;
    return *systemPrompt + "\n" + prompt;
}

} // namespace tl
