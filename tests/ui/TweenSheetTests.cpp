#include "ScriptedTweenEngine.h"
#include "UiTestSupport.h"
#include "support/LogRecorder.h"

#include "ui/library/LibraryViewModel.h"
#include "ui/library/TweenInsertion.h"
#include "ui/library/sheets/TweenConfigSheet.h"
#include "ui/library/sheets/TweenSheetTexts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace tl::testing {
namespace {

TEST(TweenSheetTexts, SummaryReadsSingularPluralAndTheAutomaticForm)
{
    EXPECT_EQ(
        ui::tweenSummaryText(1, false), "Creates 1 interpolated frame between the selected image and the next one.");
    EXPECT_EQ(ui::tweenSummaryText(3, true),
        "Creates 3 interpolated frames between each key image and the next one (wraps end to start).");
    EXPECT_EQ(
        ui::tweenSummaryText(0, false), "Creates 0 interpolated frames between the selected image and the next one.");
}

TEST(TweenSheetTexts, CountFieldTakesWholeNumbersUpToOneHundred)
{
    const QLocale c = QLocale::c();
    EXPECT_EQ(ui::readTweenCount("50", c).count, 50);
    EXPECT_EQ(ui::readTweenCount("100", c).count, 100);
    // Counts below 1 pass on: the run refuses them.
    EXPECT_EQ(ui::readTweenCount("0", c).count, 0);
    EXPECT_EQ(ui::readTweenCount("-4", c).count, -4);
    for (const char* refused : { "150", "10000", "99999999999999" }) {
        const auto entry = ui::readTweenCount(refused, c);
        EXPECT_FALSE(entry.count) << refused;
        EXPECT_FALSE(entry.hint.isEmpty()) << refused;
    }
    EXPECT_FALSE(ui::readTweenCount("two", c).count);
    EXPECT_FALSE(ui::readTweenCount("", c).count);
    EXPECT_EQ(ui::tweenSliderPosition(50), 20);
    EXPECT_EQ(ui::tweenSliderPosition(-3), 1);
}

class TweenSheetTest : public UiStateTest {
protected:
    TweenSheetTest()
    {
        state.setImages({ keyImage("a.png", 6), keyImage("b.png", 12) }, std::nullopt, false);
        insertion.openTweenSheet(state.images.get().front());
    }

    ui::LibraryViewModel library { state, ui };
    ui::TweenInsertion insertion { state, library, std::make_shared<ScriptedTweenEngine>() };
    ui::TweenConfigSheet sheet { insertion };
};

TEST_F(TweenSheetTest, TypedCountsBeyondTheSliderStayAndLargeOnesAreRefused)
{
    sheet.countField().clear();
    QTest::keyClicks(&sheet.countField(), "50");
    EXPECT_EQ(insertion.tweenCount.get(), 50);
    EXPECT_EQ(sheet.slider().value(), 20);
    EXPECT_EQ(sheet.countField().text(), "50");

    sheet.countField().clear();
    QTest::keyClicks(&sheet.countField(), "150");
    EXPECT_EQ(insertion.tweenCount.get(), 15); // "15" was typed on the way to "150"
    EXPECT_FALSE(sheet.hint().text().isEmpty());
    EXPECT_EQ(sheet.countField().text(), "150");

    sheet.slider().setValue(7);
    EXPECT_EQ(insertion.tweenCount.get(), 7);
    EXPECT_EQ(sheet.countField().text(), "7");
    EXPECT_TRUE(sheet.hint().text().isEmpty());
    EXPECT_EQ(sheet.summary().text(), ui::tweenSummaryText(7, false));
}

TEST_F(TweenSheetTest, WhileGeneratingOnlyTheBarShowsAndEscapeDoesNotClose)
{
    sheet.show();
    insertion.isGeneratingTweens = true;
    insertion.tweenProgress = 0.999;
    EXPECT_TRUE(sheet.form().isHidden());
    EXPECT_FALSE(sheet.generateButton().isVisible());
    EXPECT_FALSE(sheet.progressPane().isHidden());
    EXPECT_EQ(sheet.percentage().text(), "99%");
    sheet.reject();
    EXPECT_TRUE(insertion.showingTweenSheet.get());
    EXPECT_TRUE(sheet.isVisible());

    insertion.isGeneratingTweens = false;
    insertion.failureText = std::string("Tween generation failed: x");
    EXPECT_FALSE(sheet.failure().isHidden());
    sheet.reject();
    EXPECT_FALSE(insertion.showingTweenSheet.get());
}

TEST_F(TweenSheetTest, ReturnGeneratesAndEscapeCancels)
{
    LogRecorder log;
    sheet.show();
    // The frames have no files, so Generate stops at its first check and says so.
    QTest::keyClick(&sheet, Qt::Key_Return);
    EXPECT_TRUE(log.contains("Invalid source image for tween generation"));
    EXPECT_TRUE(insertion.showingTweenSheet.get());
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_FALSE(insertion.showingTweenSheet.get());
}

} // namespace
} // namespace tl::testing
