// Saves pictures of the library's own sheets and the reorder marker into the folder given as the
// first argument, for a person to look at. Run under Xvfb; fails when a picture is missing.
#include "MainWindowHarness.h"

#include "ui/common/SheetPresenter.h"
#include "ui/library/ImagesLibraryView.h"
#include "ui/library/LibraryContext.h"
#include "ui/library/TweenInsertion.h"
#include "ui/library/sheets/ImageEditSheet.h"

#include <QApplication>
#include <QListView>
#include <QPlainTextEdit>

#include <iostream>

namespace {

bool save(QWidget& widget, const std::filesystem::path& file)
{
    const bool saved = widget.grab().save(QString::fromStdString(file.string()));
    std::cout << (saved ? "saved " : "FAILED ") << file.string() << '\n';
    return saved;
}

void settle(int ms)
{
    tl::testing::processEventsUntil([] { return false; }, ms);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: library_sheet_screenshots <output folder>\n";
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);

    tl::testing::MainWindowHarness harness;
    auto& state = harness.app.appState;
    harness.window().resize(1200, 800);
    harness.window().show();
    bool ok = harness.importThroughToolbar(harness.writePictures(
        { QColor(20, 30, 80), QColor(230, 140, 60), QColor(90, 170, 230), QColor(250, 200, 90) }, { 800, 450 }));
    settle(800);
    auto& library = harness.content().library();
    auto& sheets = harness.content().context().sheets();

    // The tween sheet, idle and then while a run is under way.
    auto& tweens = library.tweens();
    tweens.openTweenSheet(state.images.get().front());
    settle(200);
    if (!sheets.current()) return 1;
    ok &= save(*sheets.current(), out / "tween-sheet.png");
    tweens.isGeneratingTweens = true;
    tweens.tweenProgress = 0.42;
    settle(100);
    ok &= save(*sheets.current(), out / "tween-sheet-generating.png");
    tweens.isGeneratingTweens = false;
    tweens.cancel();
    settle(200);

    // The reorder marker above the third tile, as a drag over it shows it.
    library.viewModel().dropTargetId = state.images.get()[2].id;
    settle(100);
    ok &= save(harness.window(), out / "reorder-marker.png");
    library.viewModel().dropTargetId = std::nullopt;

    // The edit sheet for the third image: the reference beside it.
    library.editImage(state.images.get()[2]);
    settle(600);
    if (auto* edit = qobject_cast<tl::ui::ImageEditSheet*>(sheets.current())) {
        edit->instruction().setPlainText(QStringLiteral("Fix the camera angle"));
        settle(100);
        ok &= save(*edit, out / "edit-sheet.png");
    } else {
        ok = false;
    }
    sheets.dismiss();
    return ok ? 0 : 1;
}
