#include "generation/GeminiImageEditService.h"

#include "generation/Base64.h"
#include "generation/JsonFields.h"
#include "generation/PictureSignature.h"
#include "generation/ProviderRefusal.h"
#include "generation/Text.h"

#include <curl/curl.h>
#include <nlohmann/json.hpp>

#include <memory>

namespace tl {
namespace {

using Json = nlohmann::json;

std::optional<std::string> percentEncoded(const std::string& text)
{
    struct CurlFree {
        void operator()(char* text) const { curl_free(text); }
    };
    const std::unique_ptr<char, CurlFree> escaped(
        curl_easy_escape(nullptr, text.data(), static_cast<int>(text.size())));
    if (!escaped) return std::nullopt;
    return std::string(escaped.get());
}

// The part's inline image under either spelling, or null.
const Json* inlineImage(const Json& part)
{
    for (const char* key : { "inline_data", "inlineData" }) {
        const auto found = part.find(key);
        if (found != part.end() && found->is_object()) return &*found;
    }
    return nullptr;
}

std::optional<std::string> mediaType(const Json& image)
{
    for (const char* key : { "mime_type", "mimeType" }) {
        if (auto value = json::optionalText(image, key); value && *value) return *value;
    }
    return std::nullopt;
}

} // namespace

GeminiImageEditService::GeminiImageEditService(std::shared_ptr<const APIKeyProvider> apiKeyProvider,
    HttpTransport& session, std::string modelsAddress, AINetworkLog log)
    : baseURL(std::move(modelsAddress))
    , connection_ { std::move(apiKeyProvider), session, log }
{
}

GenerationResult<GeneratedImage> GeminiImageEditService::generateImage(const std::string& prompt,
    const std::string& model, const std::string&, const std::optional<std::string>& inputImage,
    const std::optional<std::string>& systemPrompt, const std::optional<std::string>&, std::stop_token stop)
{
    auto key = connection_.requireKey();
    if (!key.ok()) return key.error();
    const auto modelName = bareModelName(model);
    const auto text = joinNonEmpty(systemPrompt, prompt);
    connection_.log.logPrompt("Gemini", text, std::nullopt);

    Json parts = Json::array({ { { "text", text } } });
    if (inputImage) {
        parts.push_back(
            { { "inline_data", { { "mime_type", "image/png" }, { "data", base64::encode(*inputImage) } } } });
    }
    const Json body = { { "contents", Json::array({ { { "role", "user" }, { "parts", std::move(parts) } } }) } };

    const auto encodedModel = percentEncoded(modelName);
    const auto encodedKey = percentEncoded(key.value());
    if (!encodedModel || !encodedKey) return ImageGenerationError::invalidResponse();
    const auto request = json::postRequest(
        baseURL + "/" + *encodedModel + ":generateContent?key=" + *encodedKey, body, requestTimeout);
    auto response = connection_.exchange("Gemini", request, key.value(), stop);
    if (!response.ok()) return response.error();
    if (!response.value().succeeded()) return statusFailure("Gemini", response.value(), key.value());
    return imageFromGeminiResponse(response.value().body);
}

GenerationResult<GeneratedImage> imageFromGeminiResponse(const std::string& body)
{
    const Json reply = json::parse(body);
    if (auto error = errorInReply(reply)) return *error;
    if (const auto* feedback = json::member(reply, "promptFeedback")) {
        if (auto blocked = json::text(*feedback, "blockReason")) return providerDeclined(*blocked);
    }
    if (!reply.is_object() || !reply.contains("candidates") || !reply["candidates"].is_array()) {
        return ResponseDecodingError {};
    }
    const Json& candidates = reply["candidates"];
    if (candidates.empty()) return ImageGenerationError::decodeFailed();
    const Json& candidate = candidates.front();
    const auto finishReason = json::text(candidate, "finishReason");
    const Json* content = json::member(candidate, "content");
    const Json* parts = content ? json::member(*content, "parts") : nullptr;
    if (!parts || !parts->is_array()) {
        if (finishReason) return providerDeclined(*finishReason);
        return ResponseDecodingError {};
    }
    std::string words;
    for (const Json& part : *parts) {
        // A thought part is the model's draft, not its answer.
        if (part.is_object() && part.value("thought", false) == true) continue;
        if (auto said = json::text(part, "text")) words += *said;
        const Json* image = part.is_object() ? inlineImage(part) : nullptr;
        if (!image) continue;
        const auto data = json::optionalText(*image, "data");
        if (!data || !*data) continue;
        if (auto bytes = base64::decodeImage(**data, true); bytes && looksLikePicture(*bytes))
            return GeneratedImage { std::move(*bytes), mediaType(*image) };
    }
    // No picture: the model's own words say why, else the reason it stopped.
    if (!text::trimmed(words).empty()) return providerDeclined(words);
    if (finishReason && *finishReason != "STOP") return providerDeclined(*finishReason);
    return ImageGenerationError::decodeFailed();
}

} // namespace tl
