#pragma once

#include "platform/Bundle.h"
#include "platform/RawValue.h"

#include <QDialog>

#include <array>
#include <string_view>

class QTabWidget;

namespace tl {

class AppSettings;

// The settings window: "General", "Updates" and "Advanced" tabs over the one settings store.
// Every control writes straight into the store; there is nothing to confirm or cancel.
class SettingsView final : public QDialog {
public:
    enum class SettingsTab { general, updates, advanced };
    static constexpr std::array allTabs { SettingsTab::general, SettingsTab::updates, SettingsTab::advanced };

    SettingsView(AppSettings& settings, BundleInfo bundle = mainBundle(), QWidget* parent = nullptr);

    SettingsTab selectedTab() const;
    void selectTab(SettingsTab tab);
    QTabWidget& tabs() { return *tabs_; }

protected:
    // Each opening starts on "General".
    void showEvent(QShowEvent* event) override;

private:
    QTabWidget* tabs_;
};

constexpr std::string_view rawValue(SettingsView::SettingsTab tab)
{
    switch (tab) {
    case SettingsView::SettingsTab::general:
        return "General";
    case SettingsView::SettingsTab::updates:
        return "Updates";
    case SettingsView::SettingsTab::advanced:
        return "Advanced";
    }
    return "General";
}

} // namespace tl
