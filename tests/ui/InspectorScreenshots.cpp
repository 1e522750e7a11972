// Pictures of the inspector column and the settings window, taken by
// ui_screenshots.
#include "InspectorScreenshots.h"
#include "ScreenshotSupport.h"

#include "shell/SettingsView.h"
#include "ui/inspector/InspectorColumn.h"
#include "ui/inspector/InspectorView.h"
#include "ui/inspector/PresetsView.h"
#include "ui/inspector/QtLocationProvider.h"
#include "ui/inspector/SolarDebugView.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace tl::testing {
bool saveInspectorScreenshots(MainWindowHarness& harness, const std::filesystem::path& out)
{
    auto& state = harness.app.appState;
    auto* column = harness.window().findChild<ui::InspectorColumn*>();
    if (!column || state.images.get().empty()) return false;
    state.select(state.images.get()[1].id);
    settle();
    bool ok = saveScreenshot(harness.window(), out / "inspector-time.png");
    ui::InspectorView& inspector = column->inspector();
    if (!inspector.presets() || !inspector.solarView()) return false;
    ok &= saveScreenshot(*inspector.presets(), out / "inspector-presets.png");

    ui::SolarDebugView& solar = *inspector.solarView();
    solar.manualSwitch()->click();
    QTest::keyClicks(solar.latitudeField(), "48.85");
    QTest::keyClicks(solar.longitudeField(), "2.35");
    settle();
    inspector.ensureWidgetVisible(&solar);
    settle();
    ok &= saveScreenshot(*column, out / "inspector-solar-manual.png");
    solar.manualSwitch()->click();
    solar.currentLocationButton()->click();
    // Without a location daemon the request fails within its timeout.
    processEventsUntil([&] { return solar.currentLocationButton()->isEnabled(); });
    inspector.ensureWidgetVisible(&solar);
    settle();
    ok &= saveScreenshot(*column, out / "inspector-solar-error.png");

    state.setMode(WallpaperMode::appearance);
    settle();
    ok &= saveScreenshot(*column, out / "inspector-appearance.png");
    state.setMode(WallpaperMode::time);

    // The column hides with the selection, so the empty state is drawn on its
    // own.
    ui::InspectorView empty(harness.content().context(), [] { return std::make_unique<ui::QtLocationProvider>(); });
    state.select(std::nullopt);
    empty.resize(300, 500);
    empty.show();
    settle();
    ok &= saveScreenshot(empty, out / "inspector-no-selection.png");
    state.select(state.images.get()[1].id);

    SettingsView settings(harness.app.settings());
    settings.show();
    for (const auto tab : SettingsView::allTabs) {
        settings.selectTab(tab);
        if (tab == SettingsView::SettingsTab::advanced) {
            if (auto* custom = settings.findChild<QCheckBox*>()) custom->click();
            if (auto* address = settings.findChild<QLineEdit*>()) QTest::keyClicks(address, "https://my.example");
        }
        settle();
        const std::string_view title = rawValue(tab);
        ok &= saveScreenshot(settings, out / ("settings-" + std::string(title) + ".png"));
    }
    harness.app.settings().resetToDefaults();
    return ok;
}

} // namespace tl::testing
