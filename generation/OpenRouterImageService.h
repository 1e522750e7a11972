#pragma once

#include "generation/ProviderExchange.h"

namespace tl {

// Images through OpenRouter: its image generation endpoint for plain text to image, and chat
// completions with image output for edits and for models that draw only through chat. When the
// image endpoint does not exist for a model (404 or 405) the call goes to chat instead.
class OpenRouterImageService final : public ImageGenerationService {
public:
    static constexpr std::chrono::seconds requestTimeout { 60 };

    struct DataURL {
        std::string bytes;
        std::optional<std::string> mediaType;
    };

    OpenRouterImageService(std::shared_ptr<const APIKeyProvider> apiKeyProvider, HttpTransport& session,
        std::string baseURL, std::string chatURL, AINetworkLog log = AINetworkLog());

    bool isConfigured() const override { return connection_.isConfigured(); }
    GenerationResult<GeneratedImage> generateImage(const std::string& prompt, const std::string& model,
        const std::string& aspectRatio, const std::optional<std::string>& inputImage,
        const std::optional<std::string>& systemPrompt, const std::optional<std::string>& size,
        std::stop_token stop) override;

    static bool modelNeedsChat(std::string_view model);
    // A "data:" address with base64 content; nothing for any other text or content that is no picture.
    static std::optional<DataURL> decodeDataURL(std::string_view text);

    const std::string baseURL;
    const std::string chatURL;

private:
    struct UseChatEndpoint { };

    std::variant<GenerationResult<GeneratedImage>, UseChatEndpoint> imageRoad(const std::string& key,
        const std::string& prompt, const std::string& model, const std::string& aspectRatio,
        std::stop_token stop) const;
    GenerationResult<GeneratedImage> chatRoad(const std::string& key, const std::string& prompt,
        const std::string& model, const std::optional<std::string>& inputImage,
        const std::optional<std::string>& systemPrompt, const std::optional<std::string>& aspectRatio,
        const std::optional<std::string>& size, std::stop_token stop) const;
    GenerationResult<GeneratedImage> fetchImage(const std::string& address, std::stop_token stop) const;

    ProviderConnection connection_;
};

} // namespace tl
