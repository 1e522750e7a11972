// Saves pictures of the library's own sheets and the reorder marker into the folder given as the
// first argument, for a person to look at. Run under Xvfb; fails when a picture is missing.
#include "MainWindowHarness.h"
#include "ScreenshotSupport.h"

#include "support/TestImageFiles.h"
#include "ui/common/SheetPresenter.h"
#include "ui/library/ImageImporter.h"
#include "ui/library/ImagesLibraryView.h"
#include "ui/library/LibraryContext.h"
#include "ui/library/TweenInsertion.h"
#include "ui/library/sheets/ImageEditSheet.h"

#include <QApplication>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const auto outFolder = tl::testing::screenshotFolder(argc, argv, "library_sheet_screenshots");
    if (!outFolder) return 2;
    const std::filesystem::path& out = *outFolder;

    tl::testing::MainWindowHarness harness;
    auto& state = harness.app.appState;
    harness.window().resize(1200, 800);
    harness.window().show();
    bool ok = harness.importThroughToolbar(harness.writePictures(
        { QColor(20, 30, 80), QColor(230, 140, 60), QColor(90, 170, 230), QColor(250, 200, 90) }, { 800, 450 }));
    tl::testing::settle(800);
    auto& library = harness.content().library();
    auto& sheets = harness.content().context().sheets();

    // The tween sheet, idle and then while a run is under way.
    auto& tweens = library.tweens();
    tweens.openTweenSheet(state.images.get().front());
    tl::testing::settle(200);
    if (!sheets.current()) return 1;
    ok &= tl::testing::saveScreenshot(*sheets.current(), out / "tween-sheet.png");
    tweens.isGeneratingTweens = true;
    tweens.tweenProgress = 0.42;
    tl::testing::settle(100);
    ok &= tl::testing::saveScreenshot(*sheets.current(), out / "tween-sheet-generating.png");
    tweens.isGeneratingTweens = false;
    tweens.cancel();
    tl::testing::settle(200);

    // The reorder marker above the third tile, as a drag over it shows it.
    library.viewModel().dropTargetId = state.images.get()[2].id;
    tl::testing::settle(100);
    ok &= tl::testing::saveScreenshot(harness.window(), out / "reorder-marker.png");
    library.viewModel().dropTargetId = std::nullopt;

    // The edit sheet for the third image: the reference beside it.
    library.editImage(state.images.get()[2]);
    tl::testing::settle(600);
    if (auto* edit = qobject_cast<tl::ui::ImageEditSheet*>(sheets.current())) {
        edit->activateWindow();
        tl::testing::settle(200);
        const QWidget* focus = QApplication::focusWidget();
        std::cout << "edit sheet focus: " << (focus ? focus->metaObject()->className() : "nothing") << '\n';
        edit->instruction().insertPlainText(QStringLiteral("Fix the camera angle"));
        tl::testing::settle(100);
        ok &= tl::testing::saveScreenshot(*edit, out / "edit-sheet.png");
    } else {
        ok = false;
    }
    sheets.dismiss();

    // The single layout at the default size and at the smallest the window allows: the tween
    // button below the frame's name.
    state.select(state.images.get()[1].id);
    harness.app.uiState.viewMode = tl::LibraryViewMode::single;
    for (const auto& [size, name] : { std::pair { QSize(1200, 800), "single-view-1200x800.png" },
             std::pair { QSize(1, 1), "single-view-minimum.png" } }) {
        harness.window().resize(size);
        tl::testing::settle(400);
        std::cout << name << ": window " << harness.window().width() << 'x' << harness.window().height() << '\n';
        ok &= tl::testing::saveScreenshot(harness.window(), out / name);
    }
    harness.window().resize(1200, 800);
    harness.app.uiState.viewMode = tl::LibraryViewMode::grid;

    // Files that cannot be imported: one alert naming each and why; a frame whose file no longer
    // decodes says so in its tile and in the inspector.
    const auto folder = harness.folder.path();
    std::vector<std::filesystem::path> refused;
    for (const auto& [name, bytes] : { std::pair { "moving.webp", tl::test::animatedWebp() },
             std::pair { "claims.jpg", tl::test::jpegClaiming(65500, 65500) },
             std::pair { "wide.tif", tl::test::wideBigTiff() } }) {
        tl::test::writeBytes(folder / name, bytes);
        refused.push_back(folder / name);
    }
    harness.dialogs.chooseInImportPanel(refused);
    harness.toolbarAction(QStringLiteral("Import Images...")).trigger();
    tl::testing::processEventsUntil([&] { return harness.window().findChild<QMessageBox*>(); });
    tl::testing::settle(300);
    if (auto* alert = harness.window().findChild<QMessageBox*>()) {
        ok &= tl::testing::saveSheetOverWindow(harness.window(), *alert, out / "import-skipped-alert.png");
        alert->accept();
    } else {
        ok = false;
    }
    state.addImage(tl::WallpaperImage { .id = tl::Uuid::random(),
        .fileName = "claims.jpg",
        .altitude = 0.0,
        .azimuth = 0.0,
        .sourcePath = (folder / "claims.jpg").string() });
    state.select(state.images.get().back().id);
    tl::testing::settle(800);
    ok &= tl::testing::saveScreenshot(harness.window(), out / "frame-picture-problem.png");

    // A long import: the library's status line counts the decoded images.
    std::vector<std::filesystem::path> large;
    QImage photo(4000, 2667, QImage::Format_RGB32);
    photo.fill(QColor(60, 110, 150));
    for (int i = 0; i < 24; ++i) {
        large.push_back(folder / ("large-" + std::to_string(i) + ".png"));
        photo.save(QString::fromStdString(large.back().string()));
    }
    library.importer().import(large);
    tl::testing::settle(900);
    ok &= tl::testing::saveScreenshot(harness.window(), out / "import-progress.png");
    library.importer().cancel();
    tl::testing::settle(100);

    // A quit waiting for a save that still copies.
    harness.app.saveFlow.isFinishingSaves = true;
    tl::testing::settle(300);
    if (auto* progress = harness.window().findChild<QProgressDialog*>())
        ok &= tl::testing::saveSheetOverWindow(harness.window(), *progress, out / "quit-waits-for-save.png");
    harness.app.saveFlow.isFinishingSaves = false;
    return ok ? 0 : 1;
}
