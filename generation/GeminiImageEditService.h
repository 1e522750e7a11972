#pragma once

#include "generation/ProviderExchange.h"

namespace tl {

// One image from a Gemini model's content generation method: the prompt (and the image to edit)
// as one user turn; the first inline image of the first candidate is the result.
class GeminiImageEditService : public ImageGenerationService {
public:
    static constexpr std::chrono::seconds requestTimeout { 60 };

    GeminiImageEditService(std::shared_ptr<const APIKeyProvider> apiKeyProvider, HttpTransport& session,
        std::string baseURL, AINetworkLog log = AINetworkLog());

    bool isConfigured() const override { return connection_.isConfigured(); }
    // The aspect ratio and the size are not sent: the model chooses the image's shape.
    GenerationResult<GeneratedImage> generateImage(const std::string& prompt, const std::string& model,
        const std::string& aspectRatio, const std::optional<std::string>& inputImage,
        const std::optional<std::string>& systemPrompt, const std::optional<std::string>& size,
        std::stop_token stop) override;

    const std::string baseURL;

private:
    ProviderConnection connection_;
};

// Reads a successful Gemini reply. Accepts the image part written "inline_data"/"mime_type" and
// "inlineData"/"mimeType", since the service answers in the latter.
GenerationResult<GeneratedImage> imageFromGeminiResponse(const std::string& body);

} // namespace tl
