#pragma once

#include "ui/inspector/SolarDebugModel.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tl::ui {

// "Sun Preview": where the sun stands now at the user's place and which frame is nearest it.
// Draws its model and forwards the buttons, the switch and the typed coordinates to it.
class SolarDebugView final : public QWidget {
    Q_OBJECT
public:
    SolarDebugView(AppState& appState, std::unique_ptr<LocationProvider> location, QWidget* parent = nullptr);

    SolarDebugModel& model() { return model_; }
    QPushButton* currentLocationButton() const { return currentLocation_; }
    QCheckBox* manualSwitch() const { return manual_; }
    QLineEdit* latitudeField() const { return latitude_; }
    QLineEdit* longitudeField() const { return longitude_; }
    QLabel* locationLine() const { return locationLine_; }
    QLabel* sunLine() const { return sunLine_; }
    QLabel* closestFrameLine() const { return closestLine_; }
    QLabel* errorLine() const { return errorLine_; }
    QPushButton* refreshButton() const { return refresh_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* addLine();
    void refresh();

    SolarDebugModel model_;
    QPushButton* currentLocation_;
    QCheckBox* manual_;
    QWidget* manualRow_;
    QLineEdit* latitude_;
    QLineEdit* longitude_;
    QLabel* locationLine_;
    QLabel* sunLine_;
    QLabel* closestLine_;
    QLabel* errorLine_;
    QPushButton* refresh_;
    Observation observation_;
};

} // namespace tl::ui
