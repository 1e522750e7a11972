#pragma once

#include "engine/LocationProvider.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QPushButton;

namespace tl::ui {

// Asks for the place a time-mode wallpaper's times are worked out for, when the inspector has none.
class LocationPrompt final : public QDialog {
    Q_OBJECT
public:
    explicit LocationPrompt(QWidget* parent = nullptr);

    // The typed place while both fields hold degrees within range; none otherwise.
    std::optional<Location> location() const;

    QLineEdit* latitudeField() const { return latitude_; }
    QLineEdit* longitudeField() const { return longitude_; }
    QPushButton* okButton() const { return ok_; }

    // Runs the prompt; none when the user cancels.
    static std::optional<Location> ask(QWidget* parent);

private:
    QLineEdit* latitude_;
    QLineEdit* longitude_;
    QPushButton* ok_;
};

} // namespace tl::ui
