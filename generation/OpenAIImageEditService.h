#pragma once

#include "generation/ProviderExchange.h"

namespace tl {

// Text to image through the OpenAI image generation endpoint (JSON), and edits of a given image
// through its image edit endpoint (a multipart form).
class OpenAIImageEditService final : public ImageGenerationService {
public:
    static constexpr std::chrono::seconds requestTimeout { 60 };

    OpenAIImageEditService(std::shared_ptr<const APIKeyProvider> apiKeyProvider, HttpTransport& session,
        std::string generationURL, std::string editsURL, AINetworkLog log = AINetworkLog());

    bool isConfigured() const override { return connection_.isConfigured(); }
    GenerationResult<GeneratedImage> generateImage(const std::string& prompt, const std::string& model,
        const std::string& aspectRatio, const std::optional<std::string>& inputImage,
        const std::optional<std::string>& systemPrompt, const std::optional<std::string>& size,
        std::stop_token stop) override;

    // "auto", one of the accepted sizes, or the accepted size of the same orientation; else nothing.
    static std::optional<std::string> normalizedSize(const std::optional<std::string>& size);

    const std::string generationURL;
    const std::string editsURL;

private:
    HttpRequest generationRequest(const std::string& key, const std::string& model, const std::string& prompt,
        const std::optional<std::string>& size) const;
    HttpRequest editRequest(const std::string& key, const std::string& model, const std::string& prompt,
        const std::optional<std::string>& size, const std::string& image) const;

    ProviderConnection connection_;
};

} // namespace tl
