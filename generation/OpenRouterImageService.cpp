#include "generation/OpenRouterImageService.h"

#include "generation/Base64.h"
#include "generation/ImagesResponse.h"
#include "generation/JsonFields.h"
#include "generation/PictureSignature.h"
#include "generation/ProviderRefusal.h"
#include "generation/Text.h"

#include <nlohmann/json.hpp>

namespace tl {
namespace {

using Json = nlohmann::json;

constexpr std::string_view kRoutingPrefix = "openrouter/";

std::string modelName(std::string_view model)
{
    const auto trimmed = text::trimmed(model);
    if (text::lowercased(trimmed).starts_with(kRoutingPrefix))
        return std::string(trimmed.substr(kRoutingPrefix.size()));
    return std::string(trimmed);
}

void eraseAll(std::string& text, std::string_view piece)
{
    for (auto found = text.find(piece); found != std::string::npos; found = text.find(piece, found))
        text.erase(found, piece.size());
}

// The address of the first image of the first choice, or nothing.
std::optional<std::string> firstImageAddress(const Json& reply)
{
    const auto& choices = reply["choices"];
    if (choices.empty()) return std::nullopt;
    const Json& message = choices.front()["message"];
    const auto images = message.find("images");
    if (images == message.end() || !images->is_array() || images->empty()) return std::nullopt;
    const Json& image = images->front();
    const auto imageURL = image.find("image_url");
    if (imageURL == image.end() || !imageURL->is_object()) return std::nullopt;
    const auto url = json::optionalText(*imageURL, "url");
    return url ? *url : std::nullopt;
}

// A chat answer without a picture: the model's words (or its refusal field) say why.
ImageGenerationError answerWithoutImage(const Json& reply)
{
    const auto& choices = reply["choices"];
    if (choices.empty()) return ImageGenerationError::decodeFailed();
    for (const char* key : { "content", "refusal" }) {
        const auto words = json::text(choices.front()["message"], key);
        if (words && !text::trimmed(*words).empty()) return providerDeclined(*words);
    }
    return ImageGenerationError::decodeFailed();
}

bool isChatResponse(const Json& reply)
{
    if (!reply.is_object() || !reply.contains("choices") || !reply["choices"].is_array()) return false;
    for (const Json& choice : reply["choices"])
        if (!choice.is_object() || !choice.contains("message") || !choice["message"].is_object()) return false;
    return true;
}

HttpRequest postRequest(const std::string& url, const std::string& key, const Json& body)
{
    auto request = json::postRequest(url, body, OpenRouterImageService::requestTimeout);
    request.setHeader("Authorization", "Bearer " + key);
    request.setHeader("X-Title", "Tidelumine AI");
    return request;
}

} // namespace

OpenRouterImageService::OpenRouterImageService(std::shared_ptr<const APIKeyProvider> apiKeyProvider,
    HttpTransport& session, std::string imagesAddress, std::string chatAddress, AINetworkLog log)
    : baseURL(std::move(imagesAddress))
    , chatURL(std::move(chatAddress))
    , connection_ { std::move(apiKeyProvider), session, log }
{
}

bool OpenRouterImageService::modelNeedsChat(std::string_view model)
{
    const auto lowered = text::lowercased(text::trimmed(model));
    return lowered.starts_with("google/") || lowered.find("gemini") != std::string::npos
        || (lowered.starts_with("openai/") && lowered.find("gpt") != std::string::npos)
        || lowered.find("gpt-") != std::string::npos;
}

std::optional<OpenRouterImageService::DataURL> OpenRouterImageService::decodeDataURL(std::string_view text)
{
    if (!text.starts_with("data:")) return std::nullopt;
    const auto comma = text.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    std::string header(text.substr(0, comma));
    if (header.find("base64") == std::string::npos) return std::nullopt;
    auto bytes = base64::decodeImage(text.substr(comma + 1), true);
    if (!bytes || !looksLikePicture(*bytes)) return std::nullopt;
    eraseAll(header, "data:");
    eraseAll(header, ";base64");
    return DataURL { std::move(*bytes), header.empty() ? std::nullopt : std::optional<std::string>(header) };
}

GenerationResult<GeneratedImage> OpenRouterImageService::generateImage(const std::string& prompt,
    const std::string& model, const std::string& aspectRatio, const std::optional<std::string>& inputImage,
    const std::optional<std::string>& systemPrompt, const std::optional<std::string>& size, std::stop_token stop)
{
    auto key = connection_.requireKey();
    if (!key.ok()) return key.error();
    const auto name = modelName(model);
    if (!modelNeedsChat(name) && !inputImage) {
        auto imageResult = imageRoad(key.value(), prompt, name, aspectRatio, stop);
        if (auto* done = std::get_if<GenerationResult<GeneratedImage>>(&imageResult)) return std::move(*done);
        return chatRoad(key.value(), prompt, name, std::nullopt, systemPrompt, aspectRatio, size, stop);
    }
    return chatRoad(key.value(), prompt, name, inputImage, systemPrompt, aspectRatio, size, stop);
}

std::variant<GenerationResult<GeneratedImage>, OpenRouterImageService::UseChatEndpoint>
OpenRouterImageService::imageRoad(const std::string& key, const std::string& prompt, const std::string& model,
    const std::string& aspectRatio, std::stop_token stop) const
{
    const Json body = {
        { "model", model },
        { "prompt", prompt },
        { "n", 1 },
        { "size", aspectRatio },
        { "response_format", "b64_json" },
    };
    connection_.log.logPrompt("OpenRouter-Images", prompt, std::nullopt);
    auto response = connection_.exchange("OpenRouter-Images", postRequest(baseURL, key, body), key, stop);
    if (!response.ok()) return GenerationResult<GeneratedImage>(response.error());
    const long status = response.value().status;
    if (status == 404 || status == 405) return UseChatEndpoint {};
    if (!response.value().succeeded())
        return GenerationResult<GeneratedImage>(statusFailure("OpenRouter", response.value(), key));
    return imageFromImagesResponse(
        response.value().body, [&](const std::string& url) { return fetchImage(url, stop); });
}

GenerationResult<GeneratedImage> OpenRouterImageService::chatRoad(const std::string& key, const std::string& prompt,
    const std::string& model, const std::optional<std::string>& inputImage,
    const std::optional<std::string>& systemPrompt, const std::optional<std::string>& aspectRatio,
    const std::optional<std::string>& size, std::stop_token stop) const
{
    Json messages = Json::array();
    if (systemPrompt && !systemPrompt->empty())
        messages.push_back({ { "role", "system" }, { "content", *systemPrompt } });
    Json userContent = prompt;
    if (inputImage) {
        userContent = Json::array({
            { { "type", "image_url" },
                { "image_url", { { "url", "data:image/png;base64," + base64::encode(*inputImage) } } } },
            { { "type", "text" }, { "text", prompt } },
        });
    }
    messages.push_back({ { "role", "user" }, { "content", std::move(userContent) } });

    Json body = { { "model", model }, { "messages", std::move(messages) },
        { "modalities", Json::array({ "image", "text" }) } };
    if (aspectRatio || size) {
        Json config = Json::object();
        if (aspectRatio) config["aspect_ratio"] = *aspectRatio;
        if (size) config["image_size"] = *size;
        body["image_config"] = std::move(config);
    }

    connection_.log.logPrompt("OpenRouter-Chat", prompt, systemPrompt);
    auto response = connection_.exchange("OpenRouter-Chat", postRequest(chatURL, key, body), key, stop);
    if (!response.ok()) return response.error();
    if (!response.value().succeeded()) return statusFailure("OpenRouter", response.value(), key);

    const Json reply = json::parse(response.value().body);
    if (auto error = errorInReply(reply)) return *error;
    if (!isChatResponse(reply)) return ResponseDecodingError {};
    const auto address = firstImageAddress(reply);
    if (!address) return answerWithoutImage(reply);
    return fetchImage(*address, stop);
}

GenerationResult<GeneratedImage> OpenRouterImageService::fetchImage(
    const std::string& address, std::stop_token stop) const
{
    if (auto inlined = decodeDataURL(address))
        return GeneratedImage { std::move(inlined->bytes), std::move(inlined->mediaType) };
    return connection_.download("OpenRouter-ImageFetch", address, stop);
}

} // namespace tl
