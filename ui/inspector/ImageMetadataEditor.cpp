#include "ui/inspector/ImageMetadataEditor.h"

#include "ui/common/Typography.h"
#include "ui/inspector/DegreesText.h"
#include "ui/inspector/TracklessSlider.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tl::ui {
namespace {

constexpr double angleStep = 0.1;

} // namespace

ImageMetadataEditor::ImageMetadataEditor(AppState& appState, QWidget* parent)
    : QWidget(parent)
    , model_(appState)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(makeLabel(QStringLiteral("Metadata"), TextStyle::headline, false, this));

    // The editor is rebuilt with the inspector on a mode change, so one block is built.
    if (model_.mode() == WallpaperMode::appearance) {
        lightSwitch_ = new QCheckBox(QStringLiteral("Light Appearance"), this);
        layout->addWidget(lightSwitch_);
        // clicked, not toggled: only the user's click is an edit.
        connect(lightSwitch_, &QCheckBox::clicked, this, [this](bool on) { model_.setLight(on); });
    } else {
        altitudeSlider_ = addAngleRow(QStringLiteral("Altitude"), -90, 90,
            QStringLiteral("Sun elevation above horizon (-90° to 90°)"), altitudeText_,
            &ImageMetadataEditorModel::setAltitude);
        azimuthSlider_
            = addAngleRow(QStringLiteral("Azimuth"), 0, 360, QStringLiteral("Sun position from north (0° to 360°)"),
                azimuthText_, &ImageMetadataEditorModel::setAzimuth);
    }
    observation_ = model_.observe([this] { refresh(); });
    refresh();
}

TracklessSlider* ImageMetadataEditor::addAngleRow(const QString& label, double lower, double upper,
    const QString& caption, QLabel*& valueText, void (ImageMetadataEditorModel::*set)(double))
{
    auto* row = new QVBoxLayout;
    row->setSpacing(4);
    auto* heading = new QHBoxLayout;
    heading->addWidget(new QLabel(label, this));
    heading->addStretch(1);
    valueText = makeLabel(QString(), TextStyle::body, true, this);
    heading->addWidget(valueText);
    row->addLayout(heading);

    auto* slider = new TracklessSlider(lower, upper, angleStep, this);
    slider->setAccessibleName(label);
    row->addWidget(slider);
    row->addWidget(makeLabel(caption, TextStyle::caption, true, this));
    qobject_cast<QVBoxLayout*>(layout())->addLayout(row);

    connect(slider, &TracklessSlider::valueEdited, this, [this, set](double value) { (model_.*set)(value); });
    connect(slider, &TracklessSlider::dragStarted, this, [this] { model_.beginGesture(); });
    connect(slider, &TracklessSlider::dragFinished, this, [this] { model_.endGesture(); });
    return slider;
}

void ImageMetadataEditor::refresh()
{
    if (lightSwitch_) {
        const QSignalBlocker quiet(lightSwitch_);
        lightSwitch_->setChecked(model_.isLight());
    }
    if (altitudeSlider_) {
        altitudeSlider_->setValue(model_.altitude());
        altitudeText_->setText(degreesText(model_.altitude(), 1));
    }
    if (azimuthSlider_) {
        azimuthSlider_->setValue(model_.azimuth());
        azimuthText_->setText(degreesText(model_.azimuth(), 1));
    }
}

} // namespace tl::ui
