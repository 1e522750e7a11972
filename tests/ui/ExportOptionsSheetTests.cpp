#include "ui/export/ExportOptionsSheet.h"

#include "UiTestSupport.h"

#include "ui/export/ExportResultView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QUrl>

namespace tl::ui {
namespace {

using tl::testing::processEventsUntil;

class ExportOptionsSheetTest : public tl::testing::UiStateTest {
protected:
    ExportOptionsSheetTest()
    {
        sheet.show();
        processEventsUntil([] { return false; }, 50);
    }

    // Everything a person can open at once: the Advanced group, a custom canvas with an invalid
    // size and, when asked, a running export with a strip of key frames.
    void openEverything(bool exporting)
    {
        for (auto* button : sheet.findChildren<QToolButton*>()) {
            if (button->text() == "Advanced" && !button->isChecked()) button->click();
        }
        sheet.model().setTargetDisplay(TargetDisplay::custom);
        sheet.model().edit([](HeicExportOptions& o) { o.keepPreprocessedFrames = true, o.customWidth = "wide"; });
        if (exporting) {
            std::vector<ExportFrameInfo> frames(12);
            for (auto& frame : frames)
                frame.status = ExportFrameStatus::upscaling;
            ui.exportFrames = std::move(frames);
            ui.exportMessage = "Upscaling frame 1/12";
            ui.isExportingHeic = true;
        }
        processEventsUntil([] { return false; }, 50);
    }

    // The button lies wholly inside the sheet and nothing of it is cut away.
    static void expectReachable(QPushButton& button, const QString& title)
    {
        EXPECT_EQ(button.text(), title);
        EXPECT_TRUE(button.isVisibleTo(button.window())) << title.toStdString();
        EXPECT_EQ(button.visibleRegion().boundingRect(), button.rect()) << title.toStdString() << " is cut";
        const QRect inSheet(button.mapTo(button.window(), QPoint(0, 0)), button.size());
        EXPECT_TRUE(button.window()->rect().contains(inSheet)) << title.toStdString();
    }

    int availableHeight() const { return sheet.screen()->availableGeometry().height(); }

    ExportOptionsSheet sheet { ui, {} };
};

TEST_F(ExportOptionsSheetTest, WithEverythingOpenTheSheetFitsTheScreenAndKeepsItsButtons)
{
    openEverything(false);
    EXPECT_LE(sheet.frameGeometry().height(), availableHeight());
    EXPECT_EQ(sheet.width(), 800);
    expectReachable(sheet.dismissButton(), "Cancel");
    expectReachable(sheet.primaryButton(), "Export");

    openEverything(true);
    EXPECT_LE(sheet.frameGeometry().height(), availableHeight());
    expectReachable(sheet.dismissButton(), "Cancel Export");
    expectReachable(sheet.primaryButton(), "Exporting...");
}

TEST_F(ExportOptionsSheetTest, AShortSheetKeepsTheHeightOfItsContent)
{
    // Closed groups on a tall enough screen: no empty space under the buttons.
    const int closed = sheet.height();
    ASSERT_LT(closed, availableHeight());
    openEverything(false);
    ui.isExportingHeic = false;
    sheet.model().setTargetDisplay(TargetDisplay::thisMac);
    for (auto* button : sheet.findChildren<QToolButton*>()) {
        if (button->text() == "Advanced" && button->isChecked()) button->click();
    }
    // The sheet shrinks on a later turn of the event loop, which a busy machine may delay.
    processEventsUntil([&] { return sheet.height() == closed; });
    EXPECT_EQ(sheet.height(), closed);
}

// Custom… with the Advanced group open and resizing on: one canvas picker and one pair of fields.
TEST_F(ExportOptionsSheetTest, ChoosingCustomShowsOneCanvasControl)
{
    openEverything(false);
    const auto visibleCount = [this](auto* kind, const QString& name) {
        using Widget = std::remove_pointer_t<decltype(kind)>;
        int shown = 0;
        for (auto* widget : sheet.findChildren<Widget*>())
            shown += widget->isVisibleTo(&sheet) && (name.isEmpty() || widget->accessibleName() == name);
        return shown;
    };
    ASSERT_TRUE(sheet.model().options().resizeEnabled);
    EXPECT_EQ(visibleCount(static_cast<QComboBox*>(nullptr), QStringLiteral("Canvas size")), 1);
    EXPECT_EQ(visibleCount(static_cast<QLineEdit*>(nullptr), QString()), 2) << "one width and one height";

    sheet.model().setTargetDisplay(TargetDisplay::external);
    processEventsUntil([] { return false; }, 20);
    EXPECT_EQ(visibleCount(static_cast<QComboBox*>(nullptr), QStringLiteral("Canvas size")), 1)
        << "the Advanced group's own, for the other targets";
}

// A finished export names the file it wrote and opens its folder in the file manager; a failed
// one offers no file.
TEST(ExportResultViewTest, ACompleteExportNamesItsFileAndShowsItsFolder)
{
    std::vector<QUrl> opened;
    ExportResultView view(nullptr, [&opened](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    view.show("Export complete!", std::filesystem::path("/home/ada/Pictures/Sunset.heic"));
    EXPECT_TRUE(view.showInFolderButton().isVisibleTo(&view));
    EXPECT_EQ(view.pathLabel().text(), QStringLiteral("/home/ada/Pictures/Sunset.heic"));
    view.showInFolderButton().click();
    EXPECT_EQ(opened, std::vector { QUrl::fromLocalFile(QStringLiteral("/home/ada/Pictures")) });

    view.show("Export failed. Choose another folder.", std::nullopt);
    EXPECT_FALSE(view.showInFolderButton().isVisibleTo(&view));
}

} // namespace
} // namespace tl::ui
