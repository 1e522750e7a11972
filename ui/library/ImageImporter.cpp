#include "ui/library/ImageImporter.h"

#include "app/FrameFile.h"
#include "platform/ExceptionText.h"
#include "platform/ImageFileProblem.h"
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
    ++importsUnderWay_;
    counts_.total += static_cast<int>(files.size());
    publishProgress();
    pool_.start([this, files = std::move(files), stop = stop_.get_token(), cancelled = cancel_.get_token(),
                    project = appState_.projectGeneration(), batch = batch_] {
        std::vector<WallpaperImage> images;
        std::vector<SkippedFile> leftOut;
        for (const auto& file : files) {
            if (stop.stop_requested() || cancelled.stop_requested()) return;
            try {
                if (auto image = readFrameFile(file)) {
                    images.push_back(std::move(*image));
                } else {
                    leftOut.push_back({ file, describe(diagnoseImageFile(file)) });
                }
            } catch (...) {
                // Skipped like a file that is no picture; the others still arrive.
                const std::string reason = currentExceptionText();
                log("❌ Could not import " + file.string() + ": " + reason);
                leftOut.push_back({ file, "The picture could not be decoded: " + reason });
            }
            QMetaObject::invokeMethod(
                this, [this, batch] { fileDecoded(batch); }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this,
            [this, images = std::move(images), leftOut = std::move(leftOut), project, batch]() mutable {
                land(std::move(images), std::move(leftOut), project, batch);
            },
            Qt::QueuedConnection);
    });
}

void ImageImporter::cancel()
{
    if (importsUnderWay_ == 0) return;
    cancel_.request_stop();
    cancel_ = std::stop_source();
    ++batch_;
    pool_.clear();
    importsUnderWay_ = 0;
    counts_ = {};
    publishProgress();
    log("Import cancelled");
}

void ImageImporter::waitForWorkers()
{
    pool_.waitForDone();
}

void ImageImporter::fileDecoded(std::uint64_t batch)
{
    if (batch != batch_) return;
    ++counts_.decoded;
    publishProgress();
}

void ImageImporter::publishProgress()
{
    progress = importsUnderWay_ > 0 ? std::optional(counts_) : std::nullopt;
}

void ImageImporter::land(
    std::vector<WallpaperImage> images, std::vector<SkippedFile> leftOut, std::uint64_t project, std::uint64_t batch)
{
    if (batch != batch_) return;
    if (--importsUnderWay_ == 0) counts_ = {};
    publishProgress();
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
    if (!leftOut.empty()) emit skipped(leftOut);
}

} // namespace tl::ui
