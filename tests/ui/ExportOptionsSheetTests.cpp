#include "ui/export/ExportOptionsSheet.h"

#include "UiTestSupport.h"

#include <QPushButton>
#include <QScreen>
#include <QToolButton>

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
    processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(sheet.height(), closed);
}

} // namespace
} // namespace tl::ui
