#include "ui/main/ImageImporter.h"

#include "platform/Image.h"
#include "platform/Log.h"

#include <QMetaObject>

#include <unistd.h>

namespace tl::ui {
namespace {

std::optional<WallpaperImage> readImage(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error) || ::access(file.c_str(), R_OK) != 0) {
        log("Cannot read file at: " + file.string());
        return std::nullopt;
    }
    auto thumbnail = Image::loadPreview(file, ImageImporter::thumbnailSide);
    if (!thumbnail) {
        log("Failed to load image from: " + file.string());
        return std::nullopt;
    }
    return WallpaperImage {
        .id = Uuid::random(),
        .fileName = file.filename().string(),
        .sourcePath = file.string(),
        .thumbnail = std::move(thumbnail),
    };
}

} // namespace

ImageImporter::ImageImporter(AppState& appState, QObject* parent)
    : QObject(parent)
    , appState_(appState)
{
    // One worker keeps the images of successive imports in the order they were asked for.
    pool_.setMaxThreadCount(1);
}

ImageImporter::~ImageImporter()
{
    pool_.waitForDone();
}

void ImageImporter::import(std::vector<std::filesystem::path> files)
{
    pool_.start([this, files = std::move(files)] {
        std::vector<WallpaperImage> images;
        for (const auto& file : files) {
            if (auto image = readImage(file)) images.push_back(std::move(*image));
        }
        QMetaObject::invokeMethod(
            this, [this, images = std::move(images)]() mutable { land(std::move(images)); }, Qt::QueuedConnection);
    });
}

void ImageImporter::waitForWorkers()
{
    pool_.waitForDone();
}

void ImageImporter::land(std::vector<WallpaperImage> images)
{
    // The mode decides the defaults when the images arrive, as it would for a single add.
    const bool timeMode = appState_.mode.get() == WallpaperMode::time;
    for (auto& image : images) {
        if (timeMode) {
            image.altitude = 0.0;
            image.azimuth = 0.0;
        } else {
            image.isLight = true;
        }
    }
    const auto count = static_cast<int>(images.size());
    appState_.insertImages(std::move(images), static_cast<std::ptrdiff_t>(appState_.images.get().size()), "Add Image");
    emit imported(count);
}

} // namespace tl::ui
