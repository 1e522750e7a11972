#include "MainWindowHarness.h"
#include "support/TestImageFiles.h"

#include "ui/common/SheetPresenter.h"
#include "ui/export/ExportOptionsSheet.h"
#include "ui/export/ExportProgressView.h"
#include "ui/export/ExportResultView.h"
#include "ui/generation/CreateWallpaperSheet.h"
#include "ui/inspector/InspectorColumn.h"
#include "ui/library/ImagesLibraryView.h"
#include "ui/library/LibraryContext.h"
#include "ui/library/LibraryDrop.h"
#include "ui/library/LibraryItemView.h"
#include "ui/library/LibraryPanes.h"
#include "ui/library/ReorderDragTracker.h"
#include "ui/library/TimelineListModel.h"
#include "ui/library/TweenInsertion.h"
#include "ui/library/sheets/ImageEditSheet.h"
#include "ui/library/sheets/TweenConfigSheet.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

namespace tl::ui {
namespace {

using tl::test::animatedWebp;
using tl::test::jpegClaiming;
using tl::test::wideBigTiff;
using tl::testing::processEventsUntil;

class ContentViewTest : public ::testing::Test {
protected:
    ContentViewTest() { harness.window().show(); }

    void importPictures(int count)
    {
        std::vector<QColor> colours(static_cast<std::size_t>(count), Qt::darkCyan);
        ASSERT_TRUE(harness.importThroughToolbar(harness.writePictures(colours)));
    }

    ExportOptionsSheet& openExportSheet()
    {
        harness.window().actions().exportWallpaper.trigger();
        auto* sheet = harness.content().exportSheet();
        EXPECT_TRUE(sheet);
        EXPECT_TRUE(processEventsUntil([&] { return sheet->isVisible(); }));
        return *sheet;
    }

    tl::testing::MainWindowHarness harness;
    AppState& state = harness.app.appState;
    AppUIState& ui = harness.app.uiState;
};

TEST_F(ContentViewTest, ToolbarEntriesFollowTheProject)
{
    auto& views = harness.toolbarAction(QStringLiteral("Grid"));
    auto& autoTween = harness.toolbarAction(QStringLiteral("Auto Tween..."));
    EXPECT_FALSE(views.isEnabled());
    EXPECT_FALSE(harness.window().actions().exportWallpaper.isEnabled());
    importPictures(1);
    EXPECT_TRUE(views.isEnabled());
    EXPECT_FALSE(autoTween.isEnabled()) << "one key image";
    importPictures(1);
    EXPECT_TRUE(autoTween.isEnabled());
    EXPECT_TRUE(harness.window().actions().exportWallpaper.isEnabled());

    // The toolbar's Open is the menu's own action; its icon follows the pointer.
    QWidget* open = harness.content().toolbar()->widgetForAction(&harness.window().actions().open);
    ASSERT_TRUE(open);
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(open, &enter);
    EXPECT_TRUE(ui.isHoveringOpenButton.get());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(open, &leave);
    EXPECT_FALSE(ui.isHoveringOpenButton.get());
}

TEST_F(ContentViewTest, EveryToolbarEntryIsOneRegistryActionWithItsToolbarText)
{
    AppActions& actions = harness.window().actions();
    const std::vector<QAction*> registry { &actions.importImages, &actions.generateTimeline, &actions.autoTween,
        &actions.open, &actions.save, &actions.exportWallpaper, &actions.viewGrid, &actions.viewList,
        &actions.viewSingle, &actions.toggleInspector };
    std::vector<QAction*> toolbar;
    for (QAction* action : harness.content().toolbar()->actions()) {
        if (!action->isSeparator() && !action->text().isEmpty()) toolbar.push_back(action);
    }
    EXPECT_EQ(toolbar, registry);

    EXPECT_EQ(actions.open.text(), QStringLiteral("Open..."));
    EXPECT_EQ(actions.open.iconText(), QStringLiteral("Open"));
    EXPECT_EQ(actions.exportWallpaper.iconText(), QStringLiteral("Export"));

    importPictures(1);
    ui.viewMode = LibraryViewMode::list;
    EXPECT_TRUE(actions.viewList.isChecked());
    EXPECT_FALSE(actions.viewGrid.isChecked());
    actions.viewSingle.trigger();
    EXPECT_EQ(ui.viewMode.get(), LibraryViewMode::single);
    actions.toggleInspector.trigger();
    EXPECT_FALSE(ui.showsInspector.get());
}

TEST_F(ContentViewTest, TheFinishedExportOffersTheWallpaperToTheDesktopThroughTheFileMenusAction)
{
    importPictures(1);
    ExportOptionsSheet& sheet = openExportSheet();
    QPushButton* setBackground = nullptr;
    for (auto* button : sheet.resultView().findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Set as Desktop Background...")) setBackground = button;
    }
    ASSERT_TRUE(setBackground);
    // Only the count listens, so nothing is written to this machine's desktop.
    QAction& action = harness.window().actions().setDesktopBackground;
    QObject::disconnect(&action, &QAction::triggered, nullptr, nullptr);
    int triggered = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++triggered; });
    setBackground->click();
    EXPECT_EQ(triggered, 1);
}

TEST_F(ContentViewTest, GenerateTimelineAlwaysShowsASheetAndClosingItEmptiesTheSlot)
{
    harness.window().actions().generateTimeline.trigger();
    ASSERT_EQ(ui.activeSheet.get(), AppUIState::ActiveSheet::magicGenerate);
    QDialog* sheet = harness.content().context().sheets().current();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(processEventsUntil([&] { return sheet->isVisible(); }));
    sheet->reject();
    EXPECT_EQ(ui.activeSheet.get(), std::nullopt);

    // The export sheet in the same slot, then the generate sheet in its place.
    importPictures(1);
    openExportSheet();
    harness.window().actions().generateTimeline.trigger();
    EXPECT_EQ(harness.content().exportSheet(), nullptr);
    EXPECT_EQ(ui.activeSheet.get(), AppUIState::ActiveSheet::magicGenerate);
}

TEST_F(ContentViewTest, ImportPanelOfTheCommandCentreDecodesOffTheGuiThreadAsOneUndoStep)
{
    const auto files = harness.writePictures({ Qt::red, Qt::green, Qt::blue });
    harness.dialogs.chooseInImportPanel(files);
    harness.app.commandCenter.presentImportPanel();
    EXPECT_TRUE(state.images.get().empty()) << "files land only after their off-thread decode";
    ASSERT_TRUE(processEventsUntil([&] { return state.images.get().size() == 3; }));
    EXPECT_EQ(ui.lastImportDirectory.get(), files.front().parent_path());
    const auto undo = state.undoManager.lock();
    ASSERT_TRUE(undo);
    undo->undo();
    EXPECT_TRUE(state.images.get().empty()) << "one undo takes back the whole import";
}

TEST_F(ContentViewTest, SwitchingToSingleSelectsTheFirstImageOnlyWhenNothingIsSelected)
{
    ui.viewMode = LibraryViewMode::single;
    EXPECT_TRUE(state.selectedImageIds.get().empty()) << "no images, nothing to select";
    ui.viewMode = LibraryViewMode::grid;
    importPictures(3);
    ui.viewMode = LibraryViewMode::list;
    EXPECT_TRUE(state.selectedImageIds.get().empty());
    ui.viewMode = LibraryViewMode::single;
    EXPECT_EQ(state.selectedImage()->id, state.images.get()[0].id);
    state.select(state.images.get()[2].id);
    ui.viewMode = LibraryViewMode::grid;
    ui.viewMode = LibraryViewMode::single;
    EXPECT_EQ(state.selectedImage()->id, state.images.get()[2].id);
}

TEST_F(ContentViewTest, PlaybackEndsWhenTheTimelineStripGoesAway)
{
    importPictures(2);
    ui.isTimelinePlaying = true;
    ASSERT_TRUE(processEventsUntil([&] { return !state.selectedImageIds.get().empty(); }));
    state.setMode(WallpaperMode::appearance);
    EXPECT_FALSE(ui.isTimelinePlaying.get());
    state.select(std::nullopt);
    processEventsUntil([] { return false; }, 250);
    EXPECT_TRUE(state.selectedImageIds.get().empty()) << "no tick selects anything any more";
}

TEST_F(ContentViewTest, OpeningTheExportSheetStartsFromAnEmptyDisplay)
{
    importPictures(1);
    ui.exportMessage = std::string("Export failed. Please try again.");
    ui.exportProgress = 0.7;
    ui.exportFrames = std::vector { ExportFrameInfo { .id = "x", .isKeyFrame = true, .fileName = "x.png" } };
    auto& sheet = openExportSheet();
    EXPECT_EQ(ui.exportMessage.get(), "");
    EXPECT_DOUBLE_EQ(ui.exportProgress.get(), 0);
    EXPECT_TRUE(ui.exportFrames.get().empty());
    EXPECT_EQ(sheet.dismissButton().text(), "Cancel");
    EXPECT_EQ(sheet.primaryButton().text(), "Export");
}

TEST_F(ContentViewTest, EscapeCancelsTheExportWhileOneRunsAndClosesTheSheetOtherwise)
{
    importPictures(1);
    auto& sheet = openExportSheet();
    std::stop_source run;
    ui.exportTask = run;
    ui.isExportingHeic = true;
    EXPECT_EQ(sheet.dismissButton().text(), "Cancel Export");
    EXPECT_EQ(sheet.primaryButton().text(), "Exporting...");
    EXPECT_FALSE(sheet.primaryButton().isEnabled());
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_TRUE(run.stop_requested());
    EXPECT_EQ(ui.exportMessage.get(), "Export cancelled");
    EXPECT_EQ(ui.activeSheet.get(), AppUIState::ActiveSheet::exportOptions) << "the sheet stays";
    EXPECT_EQ(sheet.dismissButton().text(), "Close");

    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_FALSE(ui.activeSheet.get());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(harness.content().exportSheet());
}

TEST_F(ContentViewTest, TheSheetsControlsShowTheOptionsItOpensWith)
{
    importPictures(1);
    ui.exportOptions.mutate([](HeicExportOptions& o) {
        o.upscaleStrategy = HeicUpscaleStrategy::fast;
        o.canvasPreset = HeicCanvasPreset::apple6k;
    });
    auto& sheet = openExportSheet();
    QStringList shown;
    for (const auto* picker : sheet.findChildren<QComboBox*>())
        shown << picker->currentText();
    EXPECT_TRUE(shown.contains("Fast")) << shown.join(", ").toStdString();
    EXPECT_TRUE(shown.contains(QString::fromUtf8("6K (6016×3384)"))) << shown.join(", ").toStdString();
    EXPECT_EQ(sheet.model().targetDisplay(), TargetDisplay::external);
}

TEST_F(ContentViewTest, AnInvalidCustomSizeBlocksExportUntilCorrected)
{
    importPictures(1);
    auto& sheet = openExportSheet();
    sheet.model().setTargetDisplay(TargetDisplay::custom);
    sheet.model().edit([](HeicExportOptions& o) { o.customWidth = "wide"; });
    EXPECT_FALSE(sheet.primaryButton().isEnabled());
    sheet.model().edit([](HeicExportOptions& o) { o.customWidth = "1920"; });
    EXPECT_TRUE(sheet.primaryButton().isEnabled());
}

TEST_F(ContentViewTest, FilesDroppedOnTheLibraryImportInDropOrder)
{
    const auto files = harness.writePictures({ Qt::red, Qt::green, Qt::blue });
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(QString::fromStdString(files[2].string())),
        QUrl::fromLocalFile(QString::fromStdString(files[0].string())) });
    data.setText(QStringLiteral("file paths as text"));
    auto& library = harness.content().library();
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&library, &enter);
    EXPECT_TRUE(library.viewModel().isDropTargeted.get());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&library, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_FALSE(library.viewModel().isDropTargeted.get());
    ASSERT_TRUE(processEventsUntil([&] { return state.images.get().size() == 2; }));
    EXPECT_EQ(tl::testing::fileNames(state.images.get()), (std::vector<std::string> { "frame-3.png", "frame-1.png" }));
}

TEST_F(ContentViewTest, ShiftAndCtrlClicksSelectInTheList)
{
    importPictures(4);
    ui.viewMode = LibraryViewMode::list;
    QListView& list = harness.content().library().listView();
    ASSERT_TRUE(processEventsUntil([&] { return list.isVisible(); }));
    const auto centre = [&](int row) { return list.visualRect(list.model()->index(row, 0)).center(); };
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre(0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier, centre(2));
    EXPECT_EQ(state.selectedImageIds.get().size(), 3u);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, centre(3));
    EXPECT_EQ(state.selectedImageIds.get().size(), 4u);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre(1));
    EXPECT_EQ(state.selectedImageIds.get(), (std::set<Uuid> { state.images.get()[1].id }));
}

TEST_F(ContentViewTest, AutoTweenOpensTheLibrarysSheetAndItsRunLandsInTheTimeline)
{
    importPictures(2);
    harness.toolbarAction(QStringLiteral("Auto Tween...")).trigger();
    EXPECT_FALSE(ui.shouldTriggerAutoTween.get());
    auto* sheet = qobject_cast<TweenConfigSheet*>(harness.content().context().sheets().current());
    ASSERT_NE(sheet, nullptr);
    sheet->slider().setValue(2);
    sheet->generateButton().click();
    ASSERT_TRUE(processEventsUntil([&] { return state.images.get().size() == 6; }));
    EXPECT_TRUE(processEventsUntil([&] { return harness.content().context().sheets().current() == nullptr; }));
    EXPECT_EQ(std::ranges::count(state.images.get(), true, &WallpaperImage::isTween), 4);
}

TEST_F(ContentViewTest, EditWithAIOpensTheEditSheetForThatImage)
{
    importPictures(2);
    auto& library = harness.content().library();
    const WallpaperImage second = state.images.get()[1];
    library.editImage(second);
    EXPECT_EQ(library.imageToEdit()->id, second.id);
    auto* sheet = qobject_cast<ImageEditSheet*>(harness.content().context().sheets().current());
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(sheet->originalColumn().isHidden());
    EXPECT_EQ(sheet->secondCaption().text(), "Current");
    EXPECT_FALSE(sheet->mainButton().isEnabled());
    harness.content().context().sheets().dismiss();
}

// A sheet opened with a button in focus swallowed typing, and Space pressed that button: Cancel
// closed the edit sheet with what had been typed.
TEST_F(ContentViewTest, TheEditAndCreateSheetsOpenWithTypingInTheirPrompt)
{
    importPictures(2);
    auto& sheets = harness.content().context().sheets();
    const auto typeIntoSheet = [&](QDialog& sheet) {
        // As the desktop does for a window it shows; the offscreen platform leaves that out.
        QApplication::setActiveWindow(&sheet);
        EXPECT_TRUE(sheet.isActiveWindow());
        QWidget* focus = QApplication::focusWidget();
        EXPECT_TRUE(qobject_cast<QPlainTextEdit*>(focus)) << (focus ? focus->metaObject()->className() : "nothing");
        if (focus) QTest::keyClicks(focus, "a b");
        EXPECT_TRUE(sheet.isVisible());
    };

    harness.content().library().editImage(state.images.get()[1]);
    auto* edit = qobject_cast<ImageEditSheet*>(sheets.current());
    ASSERT_NE(edit, nullptr);
    typeIntoSheet(*edit);
    EXPECT_EQ(edit->instruction().toPlainText(), "a b");
    EXPECT_FALSE(ui.isTimelinePlaying.get());
    sheets.dismiss();

    harness.window().actions().generateTimeline.trigger();
    ASSERT_TRUE(processEventsUntil([&] { return qobject_cast<CreateWallpaperSheet*>(sheets.current()); }));
    auto* create = qobject_cast<CreateWallpaperSheet*>(sheets.current());
    typeIntoSheet(*create);
    EXPECT_EQ(create->model().form().prompt, "a b");
    sheets.dismiss();
}

// At the default size the single layout's tween button was drawn over the frame's name.
TEST_F(ContentViewTest, TheSingleLayoutsTweenButtonNeverCoversTheFrameName)
{
    importPictures(2);
    state.select(state.images.get()[0].id);
    ui.viewMode = LibraryViewMode::single;
    auto& single = harness.content().library().singleView();
    auto* button = single.findChild<QPushButton*>();
    ASSERT_NE(button, nullptr);
    // The smallest size asked for is clamped to the smallest the window allows.
    for (const QSize size : { QSize(1200, 800), QSize(1320, 860), QSize(1, 1) }) {
        harness.window().resize(size);
        ASSERT_TRUE(processEventsUntil([&] { return single.nameLabel().isVisible(); }));
        QCoreApplication::processEvents();
        SCOPED_TRACE(
            QStringLiteral("%1x%2").arg(harness.window().width()).arg(harness.window().height()).toStdString());
        const QRect name = single.nameLabel().geometry();
        EXPECT_TRUE(button->isVisible());
        EXPECT_FALSE(name.intersects(button->geometry()));
        EXPECT_TRUE(single.rect().contains(name));
        EXPECT_TRUE(single.rect().contains(button->geometry()));
        EXPECT_EQ(single.nameLabel().text(), "frame-1.png");
    }
}

TEST_F(ContentViewTest, TheEditSheetShowsBothFramesThenTheEditedPreviewInPlaceOfTheCurrentOne)
{
    importPictures(2);
    harness.content().library().editImage(state.images.get()[1]);
    auto* sheet = qobject_cast<ImageEditSheet*>(harness.content().context().sheets().current());
    ASSERT_NE(sheet, nullptr);
    const auto shown = [](QLabel& label) { return !label.pixmap().isNull(); };
    ASSERT_TRUE(processEventsUntil([&] { return shown(sheet->originalPicture()) && shown(sheet->secondPicture()); }));
    const QSize current = sheet->secondPicture().pixmap().size();

    // As an answer arrives: the decoded picture first, then the bytes that announce it.
    QImage answer(16, 9, QImage::Format_RGB32);
    answer.fill(Qt::blue);
    sheet->model().previewPicture = answer;
    sheet->model().generatedPreview = tl::testing::pngBytes(Qt::blue, { 16, 9 });
    EXPECT_EQ(sheet->secondCaption().text(), "Edited");
    EXPECT_EQ(sheet->secondPicture().pixmap().size(), QSize(300, 168)); // 16:9 fitted into 300 by 200
    sheet->model().discard();
    EXPECT_EQ(sheet->secondCaption().text(), "Current");
    EXPECT_EQ(sheet->secondPicture().pixmap().size(), current);
    harness.content().context().sheets().dismiss();
}

TEST_F(ContentViewTest, ADragCarriesTheTileItBeganOnWhateverElseIsSelected)
{
    importPictures(3);
    auto& grid = harness.content().library().gridView();
    ASSERT_TRUE(processEventsUntil([&] { return grid.isVisible() && grid.model()->rowCount() == 3; }));
    const auto& images = state.images.get();
    state.selectedImageIds = std::set<Uuid> { images[0].id, images[2].id };
    const QRect third = grid.visualRect(grid.model()->index(2, 0));
    ASSERT_FALSE(third.isEmpty());
    QTest::mousePress(grid.viewport(), Qt::LeftButton, Qt::ControlModifier, third.center());
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, Qt::ControlModifier, third.center());

    auto& view = dynamic_cast<LibraryItemView&>(grid);
    const std::unique_ptr<QMimeData> data(view.dragData());
    ASSERT_TRUE(data);
    const auto drop = classifyDrop(*data);
    ASSERT_TRUE(std::holds_alternative<ReorderDrop>(drop));
    EXPECT_EQ(std::get<ReorderDrop>(drop).moving, images[2].id);
}

TEST_F(ContentViewTest, TheReorderMarkerAboveTheFirstRowStaysInSight)
{
    importPictures(2);
    auto& library = harness.content().library();
    ASSERT_TRUE(processEventsUntil([&] { return library.gridView().isVisible(); }));
    for (auto* view : { &library.gridView(), &library.listView() }) {
        ui.viewMode = view == &library.gridView() ? LibraryViewMode::grid : LibraryViewMode::list;
        ASSERT_TRUE(processEventsUntil([&] { return view->isVisible(); }));
        const auto* tracker = view->findChild<ReorderDragTracker*>();
        ASSERT_NE(tracker, nullptr);
        library.viewModel().dropTargetId = state.images.get()[0].id;
        const QRect marker = tracker->markerRect();
        EXPECT_FALSE(marker.isEmpty());
        EXPECT_GE(marker.top(), 0);
        EXPECT_LT(marker.bottom(), view->visualRect(view->model()->index(0, 0)).top() + 8);
        library.viewModel().dropTargetId = std::nullopt;
    }
}

TEST_F(ContentViewTest, ApplyingAnEditSavesItOffTheGuiThreadThenClosesTheSheet)
{
    importPictures(2);
    auto& library = harness.content().library();
    const WallpaperImage second = state.images.get()[1];
    library.editImage(second);
    auto* sheet = qobject_cast<ImageEditSheet*>(harness.content().context().sheets().current());
    ASSERT_NE(sheet, nullptr);
    sheet->model().editPrompt = std::string("Fix the sky");
    sheet->model().generatedPreview = tl::testing::pngBytes(Qt::blue, { 16, 9 });
    ASSERT_TRUE(sheet->mainButton().isEnabled());

    sheet->mainButton().click();
    // The click returns before the file is written; Apply waits for the save.
    EXPECT_FALSE(sheet->mainButton().isEnabled());
    EXPECT_EQ(harness.content().context().sheets().current(), sheet);
    ASSERT_TRUE(processEventsUntil([&] { return harness.content().context().sheets().current() == nullptr; }));
    const auto& edited = state.images.get()[1];
    ASSERT_TRUE(edited.sourcePath.has_value());
    EXPECT_TRUE(std::filesystem::path(*edited.sourcePath).filename().string().starts_with("edited_"));
    EXPECT_TRUE(std::filesystem::exists(*edited.sourcePath));
    EXPECT_TRUE(state.isDirty.get());
}

TEST_F(ContentViewTest, AnAppliedEditIsOneUndoStepThatBringsTheOriginalFrameBack)
{
    importPictures(2);
    state.isDirty = false;
    const WallpaperImage second = state.images.get()[1];
    auto& actions = harness.window().actions();
    const auto undoManager = state.undoManager.lock();
    ASSERT_TRUE(undoManager);
    const std::string importStep = undoManager->undoActionName();
    harness.content().library().editImage(second);
    auto* sheet = qobject_cast<ImageEditSheet*>(harness.content().context().sheets().current());
    ASSERT_NE(sheet, nullptr);
    sheet->model().editPrompt = std::string("Fix the sky");
    sheet->model().generatedPreview = tl::testing::pngBytes(Qt::blue, { 16, 9 });
    sheet->mainButton().click();
    ASSERT_TRUE(processEventsUntil([&] { return harness.content().context().sheets().current() == nullptr; }));
    const std::string editedPath = state.images.get()[1].sourcePath.value_or("");
    ASSERT_NE(editedPath, second.sourcePath.value_or(""));
    QCoreApplication::processEvents(); // closes the event's undo group
    EXPECT_EQ(undoManager->undoActionName(), "Apply Changes");

    actions.undo.trigger();
    ASSERT_EQ(state.images.get().size(), 2u) << "the import before the edit stays";
    EXPECT_EQ(state.images.get()[1].sourcePath, second.sourcePath);
    EXPECT_EQ(state.images.get()[1].thumbnail, second.thumbnail);
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_EQ(undoManager->undoActionName(), importStep);

    actions.redo.trigger();
    EXPECT_EQ(state.images.get()[1].sourcePath, editedPath);
    EXPECT_TRUE(std::filesystem::exists(editedPath));
    EXPECT_TRUE(state.isDirty.get());
}

// Files an import left out were named only in the log: the window added nothing and said nothing.
TEST_F(ContentViewTest, AnImportThatSkipsFilesEndsWithOneAlertNamingEachFileAndWhy)
{
    const auto folder = harness.folder.path();
    std::vector<std::filesystem::path> files = harness.writePictures({ Qt::darkCyan });
    std::vector<QString> expected;
    const auto add = [&](const std::string& name, const std::string& bytes, const char* reason) {
        tl::test::writeBytes(folder / name, bytes);
        files.push_back(folder / name);
        expected.push_back(QString::fromStdString(name) + QStringLiteral(": ") + QString::fromUtf8(reason));
    };
    add("moving.webp", animatedWebp(), "Animated WebP pictures are not supported.");
    add("claims.jpg", jpegClaiming(65500, 65500),
        "The picture is too large: 65500 × 65500 pixels, more than 32768 on a side.");
    add("wide.tif", wideBigTiff(), "The picture is too large: 40000 × 2 pixels, more than 32768 on a side.");
    add("notes.png", "no picture in here", "The file is not a picture in a format this program opens.");
    if (tl::test::canEncodeHeic()) {
        ASSERT_TRUE(tl::test::writeTestHeic(cv::Mat(64, 96, CV_8UC3, cv::Scalar(40, 90, 200)), folder / "cut.heic"));
        const std::string whole = tl::test::readBytes(folder / "cut.heic");
        add("cut.heic", whole.substr(0, whole.size() * 2 / 3), "The file is damaged or incomplete.");
    }

    harness.dialogs.chooseInImportPanel(files);
    harness.toolbarAction(QStringLiteral("Import Images...")).trigger();
    const auto alerts = [&] { return harness.window().findChildren<QMessageBox*>(); };
    ASSERT_TRUE(processEventsUntil([&] { return !alerts().isEmpty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(alerts().size(), 1);
    const QMessageBox& alert = *alerts().front();
    EXPECT_TRUE(alert.isVisible());
    EXPECT_EQ(alert.text(), QStringLiteral("%1 files were not imported.").arg(expected.size()));
    EXPECT_EQ(alert.informativeText().split(QLatin1Char('\n')), QStringList(expected.begin(), expected.end()));
    EXPECT_EQ(state.images.get().size(), 1u);
}

// A frame whose file stopped decoding was a grey placeholder with no word of why.
TEST_F(ContentViewTest, AFrameWhosePictureCannotBeShownSaysWhyInItsCellAndInTheInspector)
{
    importPictures(1);
    const auto file = harness.folder.path() / "claims.jpg";
    tl::test::writeBytes(file, jpegClaiming(65500, 65500));
    state.addImage(WallpaperImage {
        .id = Uuid::random(), .fileName = "claims.jpg", .altitude = 0.0, .azimuth = 0.0, .sourcePath = file.string() });
    state.select(state.images.get()[1].id);
    const QString reason = QStringLiteral("The picture is too large: 65500 × 65500 pixels, more than 32768 on a side.");
    auto& model = harness.content().library().model();
    ASSERT_TRUE(processEventsUntil([&] {
        model.thumbnail(1);
        return model.pictureProblem(1) == reason;
    }));
    EXPECT_EQ(model.data(model.index(1), Qt::ToolTipRole).toString(), QStringLiteral("claims.jpg\n") + reason);
    EXPECT_TRUE(model.pictureProblem(0).isEmpty());
    EXPECT_EQ(model.data(model.index(0), Qt::ToolTipRole).toString(), QStringLiteral("frame-1.png"));

    auto& inspector = harness.window().findChild<InspectorColumn*>()->inspector();
    ASSERT_NE(inspector.pictureProblem(), nullptr);
    EXPECT_TRUE(inspector.pictureProblem()->isVisible());
    EXPECT_EQ(inspector.pictureProblem()->text(), QStringLiteral("This picture cannot be shown. ") + reason);
    state.select(state.images.get()[0].id);
    EXPECT_FALSE(inspector.pictureProblem()->isVisible());
}

// The toolbar button was a plain push: it showed nothing of the column's state, so a click that
// only flipped the hidden state looked like a click that did nothing.
TEST_F(ContentViewTest, OneClickOnTheInspectorButtonTogglesTheColumnAndTheButtonShowsIt)
{
    importPictures(1);
    state.select(state.images.get().front().id);
    auto* column = harness.window().findChild<InspectorColumn*>();
    auto* button = qobject_cast<QToolButton*>(
        harness.content().toolbar()->widgetForAction(&harness.window().actions().toggleInspector));
    ASSERT_TRUE(column && button);
    EXPECT_TRUE(column->isVisible());
    EXPECT_TRUE(button->isChecked());
    for (const bool shown : { false, true, false }) {
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(ui.showsInspector.get(), shown);
        EXPECT_EQ(column->isVisible(), shown);
        EXPECT_EQ(button->isChecked(), shown);
    }
    ui.showsInspector = true;
    EXPECT_TRUE(button->isChecked());
}

TEST_F(ContentViewTest, TheTitleNamesTheProjectAndMarksUnsavedChangesAndTheEditMenuNamesTheStep)
{
    auto& window = harness.window();
    auto& actions = window.actions();
    ASSERT_TRUE(window.windowHandle());
    EXPECT_EQ(window.windowHandle()->title(), QStringLiteral("Untitled — Tidelumine"));
    EXPECT_EQ(actions.undo.text(), QStringLiteral("Undo"));

    importPictures(1);
    QCoreApplication::processEvents();
    auto image = state.images.get().front();
    image.altitude = 42.0;
    state.updateImage(image);
    EXPECT_TRUE(window.isWindowModified());
    EXPECT_EQ(window.windowHandle()->title(), QStringLiteral("Untitled* — Tidelumine"));
    EXPECT_EQ(actions.undo.text(), QStringLiteral("Undo Edit Image"));
    QCoreApplication::processEvents();
    actions.undo.trigger();
    EXPECT_EQ(actions.redo.text(), QStringLiteral("Redo Edit Image"));
    EXPECT_EQ(actions.undo.text(), QStringLiteral("Undo Add Image"));

    const auto package = harness.folder.path() / "Rock & Roll.vorrind";
    harness.dialogs.chooseInSavePanel(package);
    actions.save.trigger();
    ASSERT_TRUE(processEventsUntil([&] { return !state.isDirty.get(); }));
    EXPECT_FALSE(window.isWindowModified());
    EXPECT_EQ(window.windowHandle()->title(), QStringLiteral("Rock & Roll — Tidelumine"));
    EXPECT_EQ(window.windowFilePath().toStdString(), package.string());

    image.altitude = 12.0;
    state.updateImage(image);
    EXPECT_TRUE(window.isWindowModified());
    EXPECT_EQ(window.windowHandle()->title(), QStringLiteral("Rock & Roll* — Tidelumine"));
}

// With the progress strip the sheet grew to the screen's height, past the bottom of a shorter
// window. The run took its options when it started; they stay editable meanwhile.
TEST_F(ContentViewTest, DuringAnExportTheSheetStaysInsideItsWindowWithTheOptionsEnabled)
{
    auto& window = harness.window();
    window.resize(1000, 520);
    ASSERT_LT(window.frameGeometry().height(), window.screen()->availableGeometry().height());
    importPictures(2);
    auto& sheet = openExportSheet();
    for (auto* button : sheet.findChildren<QToolButton*>()) {
        if (button->text() == "Advanced" && !button->isChecked()) button->click();
    }
    sheet.model().setTargetDisplay(TargetDisplay::custom);
    sheet.model().edit([](HeicExportOptions& o) { o.upscaleEnabled = true, o.keepPreprocessedFrames = true; });
    ui.exportFrames
        = std::vector<ExportFrameInfo>(12, ExportFrameInfo { .id = "k", .isKeyFrame = true, .fileName = "k.png" });
    ui.exportMessage = std::string("Upscaling frame 1/12");
    ui.isExportingHeic = true;
    processEventsUntil([] { return false; }, 50);

    EXPECT_TRUE(window.frameGeometry().contains(sheet.frameGeometry()));
    auto* progress = sheet.findChild<ExportProgressView*>();
    ASSERT_TRUE(progress && progress->isVisible());
    EXPECT_EQ(progress->visibleRegion().boundingRect(), progress->rect()) << "the strip is cut";
    EXPECT_EQ(sheet.dismissButton().visibleRegion().boundingRect(), sheet.dismissButton().rect());
    const auto options = [&] {
        std::vector<QWidget*> controls;
        for (auto* widget : sheet.findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget)
                || qobject_cast<QLineEdit*>(widget)) {
                if (widget != &sheet.dismissButton() && widget != &sheet.primaryButton()) controls.push_back(widget);
            }
        }
        return controls;
    }();
    ASSERT_GT(options.size(), 10u);
    for (auto* control : options)
        EXPECT_TRUE(control->isEnabled()) << control->metaObject()->className();
    sheet.findChild<QRadioButton*>()->click();
    EXPECT_EQ(sheet.model().targetDisplay(), TargetDisplay::thisMac);
    EXPECT_TRUE(ui.isExportingHeic.get());
}

} // namespace
} // namespace tl::ui
