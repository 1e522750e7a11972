#pragma once

#include "generation/ImageGenerationService.h"
#include "generation/OpenRouterProxyClient.h"
#include "generation/PromptManager.h"

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace tl {

struct PhaseDescriptor {
    std::string name;
    std::string description;
    std::string timeOfDay;
};

// Turns a scene description, or a starting image, into the eleven key images of a day through
// the product's server: a base image, then that image relit for ten phases, three at a time.
// The callbacks run on worker threads, up to three at once; the owner makes them safe for that.
class ClientSideImageGenerator {
public:
    static constexpr int totalImages = 11;

    ClientSideImageGenerator(std::string serverURL, ServerContext context);

    const int concurrency = 3;
    std::function<void(int completed, int total, const std::string& message)> onProgress;
    std::function<void(const std::string& phaseName)> onPhaseStarted;
    std::function<void(const std::string& imageData, const std::string& phaseName)> onImageGenerated;
    const std::vector<PhaseDescriptor> lightingPhases;

    // The base image first, then the ten relit images in phase order, each labelled "image/png".
    // The first failure stops the requests still running and ends the run.
    GenerationResult<std::vector<GeneratedImage>> generateTimeline(const std::string& prompt, const std::string& model,
        const std::optional<std::string>& referenceImage, std::stop_token stop);

    static std::vector<std::vector<PhaseDescriptor>> chunkPhases(const std::vector<PhaseDescriptor>& phases, int size);

private:
    GenerationResult<std::string> baseImage(const PromptTemplates& prompts, const std::string& prompt,
        const std::string& model, const std::optional<std::string>& referenceImage, std::stop_token stop);
    GenerationResult<std::vector<std::string>> relightBatch(const std::vector<PhaseDescriptor>& batch,
        const PromptTemplates& prompts, const std::string& base, const std::string& model, std::stop_token stop);

    OpenRouterProxyClient proxyClient_;
    PromptManager promptManager_;
};

} // namespace tl
