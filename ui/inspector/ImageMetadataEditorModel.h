#pragma once

#include "model/WallpaperMode.h"
#include "platform/Observation.h"

#include <memory>
#include <vector>

namespace tl {
class AppState;
class UndoManager;
} // namespace tl

namespace tl::ui {

// The sun-position and light editor of the selected image, without widgets. Its values are
// always the selected image's as the store holds it (0°, 0° and light for absent ones), reloaded
// after every change there, whether from this editor, a preset, undo or redo. Loading is never an
// edit: only the setters write, each as one "Edit Image" step, and the edits between
// beginGesture() and endGesture() (one slider drag) together as one step.
class ImageMetadataEditorModel {
public:
    explicit ImageMetadataEditorModel(AppState& appState);
    ~ImageMetadataEditorModel();
    ImageMetadataEditorModel(const ImageMetadataEditorModel&) = delete;
    ImageMetadataEditorModel& operator=(const ImageMetadataEditorModel&) = delete;

    bool hasImage() const { return hasImage_; }
    WallpaperMode mode() const { return mode_; }
    double altitude() const { return altitude_; }
    double azimuth() const { return azimuth_; }
    bool isLight() const { return isLight_; }

    // Time mode writes both angles as present values; appearance mode writes the light flag.
    void setAltitude(double altitude);
    void setAzimuth(double azimuth);
    void setLight(bool isLight);

    void beginGesture();
    void endGesture();

    // Called after the shown values were reloaded.
    [[nodiscard]] Observation observe(std::function<void()> callback) { return changes_.observe(std::move(callback)); }

private:
    void loadFromImage();
    void pushUpdate();

    AppState& appState_;
    bool hasImage_ = false;
    WallpaperMode mode_ = WallpaperMode::time;
    double altitude_ = 0;
    double azimuth_ = 0;
    bool isLight_ = true;
    std::weak_ptr<UndoManager> gestureUndo_;
    ChangeNotifier changes_;
    std::vector<Observation> observations_;
};

} // namespace tl::ui
