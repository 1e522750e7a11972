#include "ui/library/sheets/ImageEditModel.h"

#include "engine/EngineError.h"
#include "generation/GenerationServices.h"
#include "generation/OpenRouterProxyClient.h"
#include "platform/ImageFileBytes.h"
#include "platform/qt/EventLoop.h"
#include "ui/common/ImageConversion.h"
#include "ui/library/ServerAddress.h"
#include "ui/library/sheets/ImageEditPrompt.h"

#include <algorithm>
#include <cctype>

namespace tl::ui {
namespace {

std::optional<std::string> readWhole(const std::string& path)
{
    auto bytes = readImageFileBytes(path);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

bool isBlank(const std::string& text)
{
    return std::ranges::all_of(text, [](unsigned char c) { return std::isspace(c) != 0; });
}

} // namespace

ImageEditModel::EditService ImageEditModel::proxyService(const GenerationServices& generation)
{
    return { .serverURL = serverAddress(generation),
        .request = [&server = generation.server](const std::string& serverURL, const std::string& reference,
                       const std::string& current, const std::string& prompt, std::stop_token stop) {
            OpenRouterProxyClient client(serverURL, server);
            // The reference goes first, so it arrives as "IMAGE 1" of the prompt.
            return client.editImage(reference, current, prompt, std::string(imageEditModel), std::move(stop));
        } };
}

ImageEditModel::ImageEditModel(const AppState& appState, WallpaperImage imageToEdit, EditService service)
    : appState_(appState)
    , imageToEdit_(std::move(imageToEdit))
    , service_(std::move(service))
    , runs_(postToMainThread)
{
}

std::optional<WallpaperImage> ImageEditModel::referenceImage() const
{
    const auto& images = appState_.images.get();
    const auto found
        = std::ranges::find_if(images, [](const WallpaperImage& i) { return !i.isTween && !i.parentId.has_value(); });
    if (found == images.end()) return std::nullopt;
    return *found;
}

std::string ImageEditModel::mainButtonTitle() const
{
    return generatedPreview.get() ? "Apply Changes" : "Generate Fix";
}

bool ImageEditModel::mainButtonEnabled() const
{
    return !isBlank(editPrompt.get()) && !isGenerating.get();
}

void ImageEditModel::regenerate()
{
    const auto reference = referenceImage();
    if (!reference || !reference->sourcePath) {
        errorMessage = std::string("Could not load original image");
        return;
    }
    if (!imageToEdit_.sourcePath) {
        errorMessage = std::string("Could not load current image");
        return;
    }
    isGenerating = true;
    errorMessage = std::nullopt;
    progress = 0;
    progressMessage = std::string("Preparing to regenerate...");
    runs_.start([this,
                    request = Request { service_.serverURL(), *reference->sourcePath, *imageToEdit_.sourcePath,
                        imageEditPrompt(editPrompt.get()) }](const WorkerRuns::Run& run) {
        // A picture too large for memory, say, fails the request instead of ending the program.
        const auto thrown = catchingThrown([&]() -> Result<void, EngineError> {
            send(request, run);
            return {};
        });
        if (!thrown) run.post([this, text = thrown.error().description()] { fail("Failed to regenerate: " + text); });
    });
}

void ImageEditModel::send(const Request& request, const WorkerRuns::Run& run)
{
    // Both files are sent exactly as they are on disk, read here off the GUI thread.
    const auto referenceBytes = readWhole(request.referencePath);
    if (!referenceBytes) return run.post([this] { fail("Could not load original image"); });
    const auto currentBytes = readWhole(request.currentPath);
    if (!currentBytes) return run.post([this] { fail("Could not load current image"); });
    run.post([this] {
        progressMessage = std::string("Regenerating image...");
        progress = 0.5;
    });
    auto edited = service_.request(request.serverURL, *referenceBytes, *currentBytes, request.prompt, run.stopToken());
    if (!edited) {
        return run.post(
            [this, text = describe(edited.error(), request.serverURL)] { fail("Failed to regenerate: " + text); });
    }
    // An answer that is not a picture cannot be applied: it is a failed regeneration.
    QImage picture = qImageFromBytes(edited.value());
    if (picture.isNull()) {
        return run.post(
            [this] { fail("Failed to regenerate: " + ImageGenerationError::decodeFailed().description()); });
    }
    run.post([this, bytes = std::move(edited).value(), picture = std::move(picture)]() mutable {
        progress = 1.0;
        progressMessage = std::string("Complete!");
        previewPicture = std::move(picture);
        generatedPreview = std::move(bytes);
        isGenerating = false;
    });
}

void ImageEditModel::discard()
{
    generatedPreview = std::nullopt;
    previewPicture = {};
    errorMessage = std::nullopt;
}

void ImageEditModel::fail(const std::string& message)
{
    errorMessage = message;
    isGenerating = false;
    progress = 0;
}

} // namespace tl::ui
