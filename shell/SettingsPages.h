#pragma once

#include "platform/Bundle.h"
#include "platform/Observation.h"

#include <QWidget>

#include <vector>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tl {

class AppSettings;

// "Unknown" stands in for a version or build number the build system did not give.
QString bundleText(const std::optional<std::string>& value);

// What the program is, with its version and build.
class GeneralSettingsView final : public QWidget {
public:
    explicit GeneralSettingsView(const BundleInfo& bundle, QWidget* parent = nullptr);
};

// The update channel as a radio group; choosing one stores it and announces the change.
class UpdatesSettingsView final : public QWidget {
public:
    explicit UpdatesSettingsView(AppSettings& settings, QWidget* parent = nullptr);
    QButtonGroup& channels() { return *channels_; }

private:
    void refresh();

    AppSettings& settings_;
    QButtonGroup* channels_;
    Observation observation_;
};

// The custom server switch and address, the address in effect, and the reset.
class AdvancedSettingsView final : public QWidget {
public:
    explicit AdvancedSettingsView(AppSettings& settings, QWidget* parent = nullptr);
    QCheckBox* useCustomServer() const { return useCustomServer_; }
    QLineEdit* serverURL() const { return serverURL_; }
    QWidget* customServerRows() const { return customRows_; }
    QLabel* currentServer() const { return currentServer_; }
    QPushButton* resetButton() const { return reset_; }

private:
    void refresh();

    AppSettings& settings_;
    QCheckBox* useCustomServer_;
    QWidget* customRows_;
    QLineEdit* serverURL_;
    QLabel* currentServer_;
    QPushButton* reset_;
    std::vector<Observation> observations_;
};

} // namespace tl
