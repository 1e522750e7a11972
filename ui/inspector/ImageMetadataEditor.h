#pragma once

#include "platform/Observation.h"
#include "ui/inspector/ImageMetadataEditorModel.h"

#include <QWidget>

class QCheckBox;
class QLabel;

namespace tl::ui {

class TracklessSlider;

// "Metadata": the light switch in appearance mode, the altitude and azimuth sliders in time
// mode. Draws its model's values and forwards the user's changes to it.
class ImageMetadataEditor final : public QWidget {
    Q_OBJECT
public:
    ImageMetadataEditor(AppState& appState, QWidget* parent = nullptr);

    ImageMetadataEditorModel& model() { return model_; }
    // Present only in the mode that shows them.
    TracklessSlider* altitudeSlider() const { return altitudeSlider_; }
    TracklessSlider* azimuthSlider() const { return azimuthSlider_; }
    QLabel* altitudeText() const { return altitudeText_; }
    QLabel* azimuthText() const { return azimuthText_; }
    QCheckBox* lightSwitch() const { return lightSwitch_; }

private:
    TracklessSlider* addAngleRow(const QString& label, double lower, double upper, const QString& caption,
        QLabel*& valueText, void (ImageMetadataEditorModel::*set)(double));
    void refresh();

    ImageMetadataEditorModel model_;
    TracklessSlider* altitudeSlider_ = nullptr;
    TracklessSlider* azimuthSlider_ = nullptr;
    QLabel* altitudeText_ = nullptr;
    QLabel* azimuthText_ = nullptr;
    QCheckBox* lightSwitch_ = nullptr;
    Observation observation_;
};

} // namespace tl::ui
