#include "ui/library/ImageImporter.h"

#include "app/FrameFile.h"
#include "platform/ExceptionText.h"
#include "platform/Log.h"

#include <QMetaObject>

namespace tl::ui {

ImageImporter::ImageImporter(AppState& appState, QObject* parent)
    : QObject(parent)
    , appState_(appState)
{
    // One worker keeps the images of successive imports in the order they were asked for.
    pool_.setMaxThreadCount(1);
}

ImageImporter::~ImageImporter()
{
    // Closing the window waits for one file at most, not for a whole import.
    stop_.request_stop();
    pool_.clear();
    pool_.waitForDone();
}

void ImageImporter::import(std::vector<std::filesystem::path> files)
{
    pool_.start([this, files = std::move(files), stop = stop_.get_token(), project = appState_.projectGeneration()] {
        std::vector<WallpaperImage> images;
        for (const auto& file : files) {
            if (stop.stop_requested()) return;
            try {
                if (auto image = readFrameFile(file)) images.push_back(std::move(*image));
            } catch (...) {
                // Skipped like a file that is no picture; the others still arrive.
                log("❌ Could not import " + file.string() + ": " + currentExceptionText());
            }
        }
        QMetaObject::invokeMethod(
            this, [this, images = std::move(images), project]() mutable { land(std::move(images), project); },
            Qt::QueuedConnection);
    });
}

void ImageImporter::waitForWorkers()
{
    pool_.waitForDone();
}

void ImageImporter::land(std::vector<WallpaperImage> images, std::uint64_t project)
{
    if (appState_.projectGeneration() != project) {
        log("Import dropped: its project is no longer open (" + std::to_string(images.size()) + " images)");
        return;
    }
    // The mode decides the defaults when the images arrive, as it would for a single add.
    for (auto& image : images)
        setNewFrameDefaults(image, appState_.mode.get());
    const auto count = static_cast<int>(images.size());
    appState_.insertImages(std::move(images), static_cast<std::ptrdiff_t>(appState_.images.get().size()), "Add Image");
    emit imported(count);
}

} // namespace tl::ui
