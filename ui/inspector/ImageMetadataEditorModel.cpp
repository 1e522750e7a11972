#include "ui/inspector/ImageMetadataEditorModel.h"

#include "app/AppState.h"
#include "ui/inspector/Presets.h"

namespace tl::ui {

ImageMetadataEditorModel::ImageMetadataEditorModel(AppState& appState)
    : appState_(appState)
{
    const auto reload = [this] { loadFromImage(); };
    observations_.push_back(appState_.images.observe(reload));
    observations_.push_back(appState_.selectedImageIds.observe(reload));
    observations_.push_back(appState_.lastSelectedImageId.observe(reload));
    observations_.push_back(appState_.mode.observe(reload));
    loadFromImage();
}

ImageMetadataEditorModel::~ImageMetadataEditorModel()
{
    endGesture();
}

void ImageMetadataEditorModel::loadFromImage()
{
    const auto image = appState_.selectedImage();
    hasImage_ = image.has_value();
    mode_ = appState_.mode.get();
    altitude_ = image ? image->altitude.value_or(0) : 0;
    azimuth_ = image ? image->azimuth.value_or(0) : 0;
    isLight_ = image ? image->isLight.value_or(true) : true;
    changes_.notify();
}

void ImageMetadataEditorModel::setAltitude(double altitude)
{
    altitude_ = altitude;
    pushUpdate();
}

void ImageMetadataEditorModel::setAzimuth(double azimuth)
{
    azimuth_ = azimuth;
    pushUpdate();
}

void ImageMetadataEditorModel::setLight(bool isLight)
{
    isLight_ = isLight;
    pushUpdate();
}

void ImageMetadataEditorModel::pushUpdate()
{
    if (mode_ == WallpaperMode::appearance)
        ui::setLight(appState_, isLight_);
    else
        applyPreset(appState_, altitude_, azimuth_);
}

void ImageMetadataEditorModel::beginGesture()
{
    endGesture();
    const auto manager = appState_.undoManager.lock();
    if (!manager) return;
    manager->beginUndoGrouping();
    gestureUndo_ = manager;
}

void ImageMetadataEditorModel::endGesture()
{
    if (const auto manager = std::exchange(gestureUndo_, {}).lock()) manager->endUndoGrouping();
}

} // namespace tl::ui
