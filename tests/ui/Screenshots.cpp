// Saves pictures of the main window, the export sheet and a running export into the folder given
// as the first argument, for a person to look at. Run under Xvfb; fails when a picture is missing.
#include "InspectorScreenshots.h"
#include "MainWindowHarness.h"
#include "ScreenshotSupport.h"

#include "ui/export/ExportOptionsSheet.h"
#include "ui/library/ImagesLibraryView.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const auto outFolder = tl::testing::screenshotFolder(argc, argv, "ui_screenshots");
    if (!outFolder) return 2;
    const std::filesystem::path& out = *outFolder;

    tl::testing::MainWindowHarness harness;
    auto& ui = harness.app.uiState;
    auto& state = harness.app.appState;
    harness.window().resize(1200, 800);
    harness.window().show();
    tl::testing::settle(200);
    bool ok = tl::testing::saveScreenshot(harness.window(), out / "main-window-empty.png");
    ok &= harness.importThroughToolbar(
        harness.writePictures({ QColor(20, 30, 80), QColor(230, 140, 60), QColor(90, 170, 230), QColor(250, 200, 90),
                                  QColor(200, 90, 60), QColor(30, 40, 70) },
            { 1600, 900 }));
    const std::vector<std::pair<double, double>> positions { { -15, 90 }, { 5, 90 }, { 20, 120 }, { 60, 180 },
        { 5, 270 }, { -30, 0 } };
    for (std::size_t i = 0; i < positions.size() && i < state.images.get().size(); ++i) {
        auto image = state.images.get()[i];
        std::tie(image.altitude, image.azimuth) = positions[i];
        state.updateImage(image);
    }
    state.select(state.images.get()[1].id);
    tl::testing::settle(800); // thumbnails arrive
    ok &= tl::testing::saveScreenshot(harness.window(), out / "main-window.png");
    // The toolbar's inspector button pressed while the column shows, released once it is hidden;
    // the Edit menu naming the step an undo would take back.
    harness.window().actions().toggleInspector.trigger();
    tl::testing::settle(100);
    ok &= tl::testing::saveScreenshot(harness.window(), out / "main-window-inspector-hidden.png");
    harness.window().actions().toggleInspector.trigger();
    std::cout << "window title: " << harness.window().windowHandle()->title().toStdString() << '\n';
    if (QMenu* edit = harness.window().menuBar()->actions().at(1)->menu()) {
        edit->popup(harness.window().mapToGlobal(QPoint(60, 30)));
        tl::testing::settle(100);
        ok &= tl::testing::saveScreenshot(*edit, out / "edit-menu.png");
        edit->hide();
    }
    ui.viewMode = tl::LibraryViewMode::list;
    tl::testing::settle(200);
    ok &= tl::testing::saveScreenshot(harness.window(), out / "main-window-list.png");
    ui.viewMode = tl::LibraryViewMode::grid;
    ok &= tl::testing::saveInspectorScreenshots(harness, out);

    harness.window().actions().exportWallpaper.trigger();
    auto* sheet = harness.content().exportSheet();
    tl::testing::processEventsUntil([&] { return sheet && sheet->isVisible(); });
    if (!sheet) return 1;
    ok &= tl::testing::saveScreenshot(*sheet, out / "export-sheet.png");
    if (auto* advanced = sheet->findChild<QToolButton*>(); advanced && advanced->text() == "Advanced") {
        advanced->click();
        sheet->model().setTargetDisplay(tl::ui::TargetDisplay::custom);
        sheet->model().edit([](tl::HeicExportOptions& o) { o.customWidth = "wide"; });
        tl::testing::settle(100);
        ok &= tl::testing::saveScreenshot(*sheet, out / "export-sheet-advanced.png");
        sheet->model().edit([](tl::HeicExportOptions& o) { o.customWidth = "40000", o.customHeight = "100"; });
        tl::testing::settle(100);
        ok &= tl::testing::saveScreenshot(*sheet, out / "export-sheet-custom-refused.png");
    }

    // A real export on a dithered HD canvas; the picture is taken while frames are being prepared.
    sheet->model().setQuality(tl::ui::ExportQuality::standard);
    sheet->model().setTargetDisplay(tl::ui::TargetDisplay::custom);
    sheet->model().edit(
        [](tl::HeicExportOptions& o) { o.enableDither = true, o.customWidth = "1920", o.customHeight = "1080"; });
    const auto output = harness.folder.path() / "running.heic";
    harness.content().setExportFilePanel([&](const std::string&, const auto&) { return std::optional(output); });
    bool grabbed = false;
    auto observation = ui.exportFrames.observe([&] {
        const auto& frames = ui.exportFrames.get();
        const bool preparing = std::ranges::any_of(
            frames, [](const auto& frame) { return frame.status == tl::ExportFrameStatus::upscaling; });
        if (!grabbed && preparing) {
            grabbed = tl::testing::saveScreenshot(*sheet, out / "export-running.png")
                && tl::testing::saveSheetOverWindow(harness.window(), *sheet, out / "export-running-in-window.png");
        }
    });
    // And once the frames are coding, with the time left of the coding.
    bool codingGrabbed = false;
    auto codingObservation = ui.exportMessage.observe([&] {
        const auto& message = ui.exportMessage.get();
        if (!codingGrabbed && message.starts_with("Encoded image") && message.find(" left") != std::string::npos)
            codingGrabbed = tl::testing::saveScreenshot(*sheet, out / "export-coding.png");
    });
    sheet->primaryButton().click();
    tl::testing::processEventsUntil([&] { return grabbed; });
    tl::testing::processEventsUntil([&] { return !ui.isExportingHeic.get(); });
    ok &= grabbed;
    ok &= tl::testing::saveScreenshot(*sheet, out / "export-finished.png");

    // The quit question of a dirty project, as the real alert draws its "Save & Quit" button.
    tl::testing::OfflinePlatform platform;
    tl::QtDialogs dialogs;
    tl::testing::ManualScheduler scheduler;
    tl::TidelumineApp quitting(platform.services(dialogs, scheduler));
    quitting.start({});
    quitting.appState.isDirty = true;
    bool questionShot = false;
    QTimer::singleShot(300, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            questionShot = tl::testing::saveScreenshot(*box, out / "quit-question.png");
            box->reject();
        }
    });
    quitting.mainWindow()->actions().quit.trigger();
    ok &= questionShot;
    return ok ? 0 : 1;
}
