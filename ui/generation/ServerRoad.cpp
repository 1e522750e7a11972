#include "ui/generation/ServerRoad.h"

#include "app/TimeOfDayTable.h"
#include "generation/ClientSideImageGenerator.h"
#include "platform/ImageDecoding.h"
#include "platform/Log.h"
#include "ui/generation/GenerationRun.h"
#include "ui/generation/KeyFrames.h"
#include "ui/generation/SheetTweenPass.h"

#include <algorithm>

namespace tl::ui {
namespace {

// A starting image is checked before anything is sent: the server would only fail later on it.
bool isUsableStartingImage(const std::string& bytes)
{
    return !decodeImageBytes(bytes).empty();
}

std::string frameFileName(std::size_t position)
{
    return position == 0 ? std::string("original.png") : "phase_" + std::to_string(position) + ".png";
}

std::size_t rowForPosition(std::size_t position)
{
    return position == 0 ? 0 : std::min(position - 1, kTimeOfDayTable.size() - 1);
}

} // namespace

Result<void, RunError> runServerRoad(const RunInputs& inputs, const ServerRoadSetup& setup, const RunChannel& channel)
{
    if (channel.stopRequested()) return RunError(EngineError(Cancelled {}));
    if (inputs.startingImage && !isUsableStartingImage(*inputs.startingImage)) return RunError(StartingImageError {});

    const auto folder = setup.temporaryFolder / "TidelumineGenerated" / Uuid::random().text();
    if (auto made = makeFolder(folder); !made) return made.error();

    ClientSideImageGenerator generator(setup.serverURL, setup.server);
    generator.onProgress = [&channel](int completed, int total, const std::string& message) {
        channel.progress(static_cast<double>(completed) / std::max(total, 1), message);
        log("📊 Progress: " + std::to_string(completed) + "/" + std::to_string(total) + " - " + message);
    };
    generator.onPhaseStarted = [&channel](const std::string& name) { channel.phase(name, PhaseStatus::inProgress); };
    generator.onImageGenerated = [&channel](const std::string& data, const std::string& name) {
        channel.preview(data);
        channel.phase(name, PhaseStatus::completed);
        log("🖼️  Live preview updated: " + name);
    };

    log("🎨 Starting client-side generation: '" + inputs.prompt + "', model: " + inputs.model
        + ", hasReference: " + (inputs.startingImage ? "true" : "false"));
    auto images = generator.generateTimeline(inputs.prompt, inputs.model, inputs.startingImage, channel.stopToken());
    if (!images) return RunError(ServerRunFailure { images.error(), setup.serverURL });
    log("✅ Client-side generation complete: " + std::to_string(images.value().size()) + " images");

    std::vector<WallpaperImage> keys;
    for (std::size_t k = 0; k < images.value().size(); ++k) {
        if (channel.stopRequested()) return RunError(EngineError(Cancelled {}));
        const auto& data = images.value()[k].data;
        const auto& row = kTimeOfDayTable[rowForPosition(k)];
        auto record = saveKeyFrame(data, folder / frameFileName(k), row);
        if (!record) return record.error();
        if (k > 0) keys.push_back(std::move(record.value()));
        channel.preview(data);
        channel.phase(std::string(row.id), PhaseStatus::completed);
    }

    channel.publish(keys);
    channel.closeBatch();
    channel.progress(1.0, "Complete!");
    log("✅ Timeline saved: " + std::to_string(keys.size()) + " images");
    if (inputs.tweenCount < 1) return {};

    channel.progress(std::nullopt, "Generating tweens...");
    log("🎬 Starting tween generation: " + std::to_string(inputs.tweenCount) + " tweens per transition");
    const int imagesPerRun = ClientSideImageGenerator::totalImages;
    const auto timeline = runTweenPass(keys, folder, inputs.tweenCount,
        { imagesPerRun, imagesPerRun + static_cast<int>(keys.size()) * inputs.tweenCount }, channel);
    if (!timeline) return timeline.error();
    channel.publish(timeline.value());
    channel.progress(std::nullopt, "Tweening complete!");
    log("✅ Tween generation complete: " + std::to_string(timeline.value().size()) + " total frames");
    return {};
}

} // namespace tl::ui
