#include "ui/inspector/TracklessSlider.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

#include <gtest/gtest.h>

namespace tl::ui {
namespace {

TEST(SnapSliderValue, SnapsToTheStepWithHalvesAwayFromZero)
{
    EXPECT_DOUBLE_EQ(snapSliderValue(45.06, 0, 360, 0.1), 45.1);
    EXPECT_EQ(snapSliderValue(45.06, 0, 360, 0.1), 45.1); // the double nearest 45.1 itself
    EXPECT_EQ(snapSliderValue(2.5, -90, 90, 1), 3);
    EXPECT_EQ(snapSliderValue(-2.5, -90, 90, 1), -3);
    EXPECT_EQ(snapSliderValue(-2.49, -90, 90, 1), -2);
    EXPECT_DOUBLE_EQ(snapSliderValue(7.4, 0, 360, 2.5), 7.5);
}

TEST(SnapSliderValue, NoStepKeepsTheRawValue)
{
    EXPECT_EQ(snapSliderValue(45.0612, 0, 360, 0), 45.0612);
    EXPECT_EQ(snapSliderValue(45.0612, 0, 360, -1), 45.0612);
}

TEST(SnapSliderValue, ClampsAfterSnappingAndNeverGivesNegativeZero)
{
    EXPECT_EQ(snapSliderValue(90.04, -90, 90, 0.1), 90);
    EXPECT_EQ(snapSliderValue(-91, -90, 90, 0.1), -90);
    EXPECT_EQ(snapSliderValue(360, 0, 360, 0.1), 360); // the upper end is not wrapped to 0
    const double nearZero = snapSliderValue(-0.04, -90, 90, 0.1);
    EXPECT_EQ(nearZero, 0);
    EXPECT_FALSE(std::signbit(nearZero));
    EXPECT_FALSE(std::signbit(snapSliderValue(-0.3, 0, 360, 0)));
}

class SliderWidgetTest : public ::testing::Test {
protected:
    SliderWidgetTest()
    {
        slider.resize(216, 24);
        slider.show();
    }
    QPoint at(double x) const { return QPoint(static_cast<int>(x), slider.height() / 2); }

    TracklessSlider slider { -90, 90, 0.1 };
    QSignalSpy edits { &slider, &TracklessSlider::valueEdited };
    QSignalSpy starts { &slider, &TracklessSlider::dragStarted };
    QSignalSpy finishes { &slider, &TracklessSlider::dragFinished };
};

TEST_F(SliderWidgetTest, AValueSetFromCodeMovesTheKnobWithoutAnEdit)
{
    const double before = slider.knobRect().center().x();
    slider.setValue(45);
    EXPECT_EQ(slider.value(), 45);
    EXPECT_GT(slider.knobRect().center().x(), before);
    EXPECT_EQ(edits.count(), 0);
}

TEST_F(SliderWidgetTest, ADragToEitherEndGivesExactlyTheBoundsAsOneGesture)
{
    QTest::mousePress(&slider, Qt::LeftButton, {}, at(slider.width() / 2.0));
    QTest::mouseMove(&slider, at(-40));
    EXPECT_EQ(slider.value(), -90);
    QTest::mouseMove(&slider, at(slider.width() + 40));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, at(slider.width() + 40));
    EXPECT_EQ(slider.value(), 90);
    EXPECT_EQ(edits.last().at(0).toDouble(), 90);
    EXPECT_EQ(starts.count(), 1);
    EXPECT_EQ(finishes.count(), 1);
    // Every reported value is on the 0.1 grid.
    for (const auto& edit : edits) {
        const double value = edit.at(0).toDouble();
        EXPECT_NEAR(value * 10, std::round(value * 10), 1e-9) << value;
    }
}

TEST_F(SliderWidgetTest, TheWheelChangesOnlyAFocusedSlider)
{
    slider.setValue(0);
    QWheelEvent wheel(QPointF(at(10)), slider.mapToGlobal(QPointF(at(10))), {}, QPoint(0, 120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&slider, &wheel);
    EXPECT_EQ(slider.value(), 0);
    EXPECT_FALSE(wheel.isAccepted()); // left to the scrolling column

    slider.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&slider));
    slider.setFocus();
    ASSERT_TRUE(slider.hasFocus());
    QWheelEvent focusedWheel(QPointF(at(10)), slider.mapToGlobal(QPointF(at(10))), {}, QPoint(0, 120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&slider, &focusedWheel);
    EXPECT_DOUBLE_EQ(slider.value(), 0.1);
}

TEST_F(SliderWidgetTest, KeysStepAndReachTheEnds)
{
    slider.setValue(45.0);
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_DOUBLE_EQ(slider.value(), 45.1);
    QTest::keyClick(&slider, Qt::Key_Home);
    EXPECT_EQ(slider.value(), -90);
    QTest::keyClick(&slider, Qt::Key_Left);
    EXPECT_EQ(slider.value(), -90);
    EXPECT_EQ(edits.count(), 2); // the press at the end changed nothing
}

} // namespace
} // namespace tl::ui
