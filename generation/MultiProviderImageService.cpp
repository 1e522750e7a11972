#include "generation/MultiProviderImageService.h"

#include "generation/Text.h"

namespace tl {

MultiProviderImageService::MultiProviderImageService(std::shared_ptr<OpenAIImageEditService> openAIClient,
    std::shared_ptr<GeminiImageEditService> geminiClient, std::shared_ptr<OpenRouterImageService> openRouterClient)
    : openAI(std::move(openAIClient))
    , gemini(std::move(geminiClient))
    , openRouter(std::move(openRouterClient))
{
}

std::optional<ImageProvider> MultiProviderImageService::provider(std::string_view model)
{
    const auto lowered = text::lowercased(text::trimmed(model));
    if (lowered.starts_with("openai/")) return ImageProvider::openAI;
    if (lowered.starts_with("google/")) return ImageProvider::gemini;
    if (lowered.find("gemini") != std::string::npos) return ImageProvider::gemini;
    if (lowered.starts_with("openrouter/")) return ImageProvider::openRouter;
    return std::nullopt;
}

ImageGenerationService* MultiProviderImageService::client(ImageProvider provider) const
{
    switch (provider) {
    case ImageProvider::openAI:
        return openAI.get();
    case ImageProvider::gemini:
        return gemini.get();
    case ImageProvider::openRouter:
        return openRouter.get();
    }
    return nullptr;
}

bool MultiProviderImageService::isConfigured() const
{
    return openAI->isConfigured() || gemini->isConfigured() || (openRouter && openRouter->isConfigured());
}

GenerationResult<GeneratedImage> MultiProviderImageService::generateImage(const std::string& prompt,
    const std::string& model, const std::string& aspectRatio, const std::optional<std::string>& inputImage,
    const std::optional<std::string>& systemPrompt, const std::optional<std::string>& size, std::stop_token stop)
{
    auto chosen = provider(model);
    if (!chosen) {
        for (const auto candidate : { ImageProvider::openAI, ImageProvider::gemini, ImageProvider::openRouter }) {
            const auto* service = client(candidate);
            if (service && service->isConfigured()) {
                chosen = candidate;
                break;
            }
        }
    }
    auto* service = chosen ? client(*chosen) : nullptr;
    if (!service || !service->isConfigured()) return ImageGenerationError::missingAPIKey();
    // Gemini chooses the image's shape itself.
    if (*chosen == ImageProvider::gemini)
        return service->generateImage(prompt, model, {}, inputImage, systemPrompt, {}, stop);
    return service->generateImage(prompt, model, aspectRatio, inputImage, systemPrompt, size, stop);
}

std::unique_ptr<MultiProviderImageService> makeProviderImageService(
    HttpTransport& session, const Environment& environment)
{
    const AINetworkLog log(environment);
    const auto key = [&](const char* name) { return std::make_shared<EnvironmentAPIKeyProvider>(name, environment); };
    return std::make_unique<MultiProviderImageService>(
        std::make_shared<OpenAIImageEditService>(key("OPENAI_API_KEY"), session,
            "https://api.openai.com/v1/images/generations", "https://api.openai.com/v1/images/edits", log),
        std::make_shared<GeminiImageEditService>(
            key("GEMINI_API_KEY"), session, "https://generativelanguage.googleapis.com/v1beta/models", log),
        std::make_shared<OpenRouterImageService>(key("OPENROUTER_API_KEY"), session,
            "https://openrouter.ai/api/v1/images/generations", "https://openrouter.ai/api/v1/chat/completions", log));
}

} // namespace tl
