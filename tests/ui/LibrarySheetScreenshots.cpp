// Saves pictures of the library's own sheets and the reorder marker into the folder given as the
// first argument, for a person to look at. Run under Xvfb; fails when a picture is missing.
#include "MainWindowHarness.h"
#include "ScreenshotSupport.h"

#include "ui/common/SheetPresenter.h"
#include "ui/library/ImagesLibraryView.h"
#include "ui/library/LibraryContext.h"
#include "ui/library/TweenInsertion.h"
#include "ui/library/sheets/ImageEditSheet.h"

#include <QApplication>
#include <QListView>
#include <QPlainTextEdit>

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
        edit->instruction().setPlainText(QStringLiteral("Fix the camera angle"));
        tl::testing::settle(100);
        ok &= tl::testing::saveScreenshot(*edit, out / "edit-sheet.png");
    } else {
        ok = false;
    }
    sheets.dismiss();
    return ok ? 0 : 1;
}
