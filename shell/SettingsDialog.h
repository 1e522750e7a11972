#pragma once

#include "platform/Observation.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace tl {

class AppSettings;

// The settings window: update channel, custom server switch and address, the
// server in use, and a reset. Edits go straight to the settings store.
class SettingsDialog final : public QDialog {
public:
    explicit SettingsDialog(AppSettings& settings, QWidget* parent = nullptr);

    QComboBox* channel() const { return channel_; }
    QCheckBox* useCustomServer() const { return useCustomServer_; }
    QLineEdit* customServerURL() const { return customServerURL_; }
    QLabel* currentServer() const { return currentServer_; }

private:
    void refresh();

    AppSettings& settings_;
    QComboBox* channel_;
    QCheckBox* useCustomServer_;
    QLineEdit* customServerURL_;
    QLabel* currentServer_;
    std::vector<Observation> observations_;
};

} // namespace tl
