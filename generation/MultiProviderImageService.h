#pragma once

#include "generation/GeminiImageEditService.h"
#include "generation/OpenAIImageEditService.h"
#include "generation/OpenRouterImageService.h"

#include <memory>

namespace tl {

enum class ImageProvider { openAI, gemini, openRouter };

// The one generator the program sees for the public image services: the model identifier picks
// the client ("openai/", "google/" or any "gemini", "openrouter/"); without a prefix the first
// client whose key is set is used. A chosen client's failure is final: no other one is tried.
class MultiProviderImageService final : public ImageGenerationService {
public:
    MultiProviderImageService(std::shared_ptr<OpenAIImageEditService> openAI,
        std::shared_ptr<GeminiImageEditService> gemini, std::shared_ptr<OpenRouterImageService> openRouter);

    bool isConfigured() const override;
    GenerationResult<GeneratedImage> generateImage(const std::string& prompt, const std::string& model,
        const std::string& aspectRatio, const std::optional<std::string>& inputImage,
        const std::optional<std::string>& systemPrompt, const std::optional<std::string>& size,
        std::stop_token stop) override;

    // No value means "choose by the keys that are set".
    static std::optional<ImageProvider> provider(std::string_view model);

    const std::shared_ptr<OpenAIImageEditService> openAI;
    const std::shared_ptr<GeminiImageEditService> gemini;
    // May be absent; then OpenRouter models fail with a missing key.
    const std::shared_ptr<OpenRouterImageService> openRouter;

private:
    ImageGenerationService* client(ImageProvider provider) const;
};

// The three public clients with their fixed endpoints and the environment's keys, under one router.
std::unique_ptr<MultiProviderImageService> makeProviderImageService(
    HttpTransport& session, const Environment& environment = processEnvironment());

} // namespace tl
