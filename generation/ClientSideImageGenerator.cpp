#include "generation/ClientSideImageGenerator.h"

#include "generation/LightingPhases.h"
#include "platform/Log.h"

#include <exception>
#include <mutex>
#include <thread>

namespace tl {
namespace {

// Keeps the failure that came first; the cancellations it caused in its siblings do not replace it.
class FirstFailure {
public:
    void record(GenerationFailure failure)
    {
        const std::lock_guard lock(mutex_);
        if (!failure_ || (isCancellation(*failure_) && !isCancellation(failure))) failure_ = std::move(failure);
    }
    std::optional<GenerationFailure> take() { return std::move(failure_); }

private:
    std::mutex mutex_;
    std::optional<GenerationFailure> failure_;
};

std::string joinedNames(const std::vector<PhaseDescriptor>& batch)
{
    std::string names;
    for (const auto& phase : batch)
        names += (names.empty() ? "" : ", ") + phase.name;
    return names;
}

} // namespace

ClientSideImageGenerator::ClientSideImageGenerator(std::string serverURL, ServerContext context)
    : lightingPhases(lightingPhaseTable())
    , proxyClient_(serverURL, context)
    , promptManager_(serverURL, context)
{
}

std::vector<std::vector<PhaseDescriptor>> ClientSideImageGenerator::chunkPhases(
    const std::vector<PhaseDescriptor>& phases, int size)
{
    std::vector<std::vector<PhaseDescriptor>> batches;
    const auto step = static_cast<std::size_t>(std::max(size, 1));
    for (std::size_t start = 0; start < phases.size(); start += step) {
        const auto end = std::min(phases.size(), start + step);
        batches.emplace_back(
            phases.begin() + static_cast<std::ptrdiff_t>(start), phases.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return batches;
}

GenerationResult<std::vector<GeneratedImage>> ClientSideImageGenerator::generateTimeline(const std::string& prompt,
    const std::string& model, const std::optional<std::string>& referenceImage, std::stop_token stop)
{
    auto prompts = promptManager_.getPrompts(stop);
    if (!prompts.ok()) return prompts.error();

    auto base = baseImage(prompts.value(), prompt, model, referenceImage, stop);
    if (!base.ok()) return base.error();
    std::vector<GeneratedImage> images { { base.value(), "image/png" } };
    if (onImageGenerated) onImageGenerated(base.value(), "night");
    if (onProgress) onProgress(1, totalImages, "Original complete, relighting...");
    log("✅ Original complete");

    const auto batches = chunkPhases(lightingPhases, concurrency);
    for (std::size_t index = 0; index < batches.size(); ++index) {
        const auto number = std::to_string(index + 1);
        log("🔵 Batch " + number + "/" + std::to_string(batches.size()) + ": " + joinedNames(batches[index]));
        auto relit = relightBatch(batches[index], prompts.value(), base.value(), model, stop);
        if (!relit.ok()) return relit.error();
        for (auto& data : relit.value())
            images.push_back({ std::move(data), "image/png" });

        const auto done = std::to_string(images.size());
        if (onProgress) onProgress(static_cast<int>(images.size()), totalImages, "Completed " + done + "/11 images...");
        log("✅ Batch " + number + " complete (" + done + "/11 total)");
    }
    log("✅ Timeline generation complete: " + std::to_string(images.size()) + " images");
    return images;
}

GenerationResult<std::string> ClientSideImageGenerator::baseImage(const PromptTemplates& prompts,
    const std::string& prompt, const std::string& model, const std::optional<std::string>& referenceImage,
    std::stop_token stop)
{
    if (referenceImage) {
        if (onProgress) onProgress(0, totalImages, "Using reference image...");
        log("🎨 Using reference image for relighting");
        return *referenceImage;
    }
    if (onProgress) onProgress(0, totalImages, "Generating original image...");
    if (onPhaseStarted) onPhaseStarted("night");
    log("🎨 Generating original image...");
    const auto filled = PromptManager::fillTemplate(prompts.templates.original, { { "userPrompt", prompt } });
    return proxyClient_.generateImage(filled, model, stop);
}

GenerationResult<std::vector<std::string>> ClientSideImageGenerator::relightBatch(
    const std::vector<PhaseDescriptor>& batch, const PromptTemplates& prompts, const std::string& base,
    const std::string& model, std::stop_token stop)
{
    std::stop_source batchStop;
    const std::stop_callback forwardStop(stop, [&batchStop] { batchStop.request_stop(); });
    FirstFailure failure;
    std::vector<std::string> results(batch.size());
    {
        std::vector<std::jthread> children;
        for (std::size_t place = 0; place < batch.size(); ++place) {
            children.emplace_back([&, place] {
                const PhaseDescriptor& phase = batch[place];
                try {
                    if (onPhaseStarted) onPhaseStarted(phase.name);
                    const auto filled = PromptManager::fillTemplate(prompts.templates.relight,
                        { { "phaseDescription", phase.timeOfDay + ". " + phase.description } });
                    log("  🌅 Relighting for " + phase.name + "...");
                    auto image = proxyClient_.editImage(base, filled, model, batchStop.get_token());
                    if (!image.ok()) {
                        failure.record(image.error());
                        batchStop.request_stop();
                        return;
                    }
                    if (onImageGenerated) onImageGenerated(image.value(), phase.name);
                    log("  ✅ " + phase.name + " complete");
                    results[place] = std::move(image.value());
                } catch (const std::exception& error) {
                    // A throwing callback must not take the process down with it.
                    failure.record(ImageGenerationError::requestFailed(error.what()));
                    batchStop.request_stop();
                }
            });
        }
    }
    if (stop.stop_requested()) return cancelledFailure();
    if (auto first = failure.take()) return std::move(*first);
    return results;
}

} // namespace tl
