#include "app/TimeOfDayTable.h"
#include "ui/inspector/PresetArtwork.h"
#include "ui/inspector/PresetsView.h"

#include "ui/UiTestSupport.h"

#include <QPushButton>

namespace tl::ui {
namespace {

class PresetsTest : public tl::testing::AppStateTest {
protected:
    PresetsTest()
    {
        state.setImages({ testing::keyImage("a.png", 6), testing::keyImage("b.png", 20) }, WallpaperMode::time, true);
        state.isDirty = false;
    }
    QPushButton* button(PresetsView& view, const QString& title)
    {
        for (auto* candidate : view.buttons()) {
            if (candidate->text() == title) return candidate;
        }
        ADD_FAILURE() << "no button " << title.toStdString();
        return nullptr;
    }
};

TEST_F(PresetsTest, ElevenTimeOfDayButtonsInTableOrderWithTheirTipsAndPictures)
{
    PresetsView view(state);
    ASSERT_EQ(view.buttons().size(), 11u);
    const QStringList titles { "Night", "Astronomical", "Nautical", "Civil", "Golden AM", "Morning", "Midday",
        "Afternoon", "Golden PM", "Sunset", "Dusk" };
    for (std::size_t i = 0; i < view.buttons().size(); ++i) {
        const QPushButton& shown = *view.buttons()[i];
        EXPECT_EQ(shown.text(), titles.value(static_cast<qsizetype>(i)));
        EXPECT_EQ(shown.toolTip().toStdString(), kTimeOfDayTable[i].helpText);
        EXPECT_FALSE(shown.icon().isNull()) << shown.text().toStdString();
        EXPECT_FALSE(shown.autoDefault());
    }
    EXPECT_EQ(button(view, "Dusk")->toolTip(), "Evening civil twilight after sunset (about -6° to -0.8° altitude).");
}

TEST_F(PresetsTest, EveryPresetStoresItsExactValuesAsOneEditImageStep)
{
    PresetsView view(state);
    state.select(state.images.get()[0].id);
    const std::vector<std::pair<double, double>> expected { { -30, 0 }, { -15, 90 }, { -9, 90 }, { -3, 90 }, { 5, 90 },
        { 20, 120 }, { 60, 180 }, { 20, 240 }, { 5, 270 }, { -0.8, 270 }, { -3, 270 } };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        view.buttons()[i]->click();
        endEvent();
        const auto image = state.selectedImage();
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->altitude, expected[i].first) << i;
        EXPECT_EQ(image->azimuth, expected[i].second) << i;
        EXPECT_EQ(undo->undoActionName(), "Edit Image");
    }
    EXPECT_TRUE(state.isDirty.get());
}

TEST_F(PresetsTest, TheSamePresetTwiceIsTwoStepsAndOneUndoKeepsItsValues)
{
    PresetsView view(state);
    state.select(state.images.get()[1].id);
    button(view, "Sunset")->click();
    endEvent();
    button(view, "Sunset")->click();
    endEvent();
    undo->undo();
    EXPECT_EQ(state.selectedImage()->altitude, -0.8);
    EXPECT_EQ(state.selectedImage()->azimuth, 270.0);
    undo->undo();
    EXPECT_FALSE(state.selectedImage()->altitude.has_value());
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(PresetsTest, WithoutASelectionAPresetDoesNothing)
{
    PresetsView view(state);
    button(view, "Midday")->click();
    endEvent();
    EXPECT_FALSE(undo->canUndo());
    EXPECT_FALSE(state.isDirty.get());
}

TEST_F(PresetsTest, AppearanceModeOffersLightAndDarkForTheFlagOnly)
{
    state.setMode(WallpaperMode::appearance);
    auto image = state.images.get()[0];
    image.altitude = 12;
    image.azimuth = 100;
    state.updateImage(image);
    state.select(image.id);
    endEvent();

    PresetsView view(state);
    ASSERT_EQ(view.buttons().size(), 2u);
    EXPECT_EQ(view.buttons()[0]->toolTip(), "Use the light appearance image.");
    EXPECT_EQ(view.buttons()[1]->toolTip(), "Use the dark appearance image.");
    button(view, "Dark")->click();
    endEvent();
    EXPECT_EQ(state.selectedImage()->isLight, false);
    EXPECT_EQ(state.selectedImage()->altitude, 12.0);
    EXPECT_EQ(state.selectedImage()->azimuth, 100.0);
    button(view, "Light")->click();
    EXPECT_EQ(state.selectedImage()->isLight, true);
}

TEST(AdaptiveColumns, AsManyColumnsOfAtLeastTheMinimumAsFit)
{
    EXPECT_EQ(adaptiveColumnCount(268, 100, 8), 2);
    EXPECT_EQ(adaptiveColumnCount(316, 100, 8), 3);
    EXPECT_EQ(adaptiveColumnCount(315, 100, 8), 2);
    EXPECT_EQ(adaptiveColumnCount(40, 100, 8), 1);
    EXPECT_EQ(adaptiveColumnCount(0, 100, 8), 1);
}

TEST_F(PresetsTest, TheGridFollowsTheWidth)
{
    PresetsView view(state);
    view.resize(268, 400);
    view.show();
    EXPECT_EQ(view.columnCount(), 2);
    view.resize(500, 400);
    EXPECT_EQ(view.columnCount(), 4);
}

TEST(PresetArtwork, EveryPictureTheTableNamesIsDrawn)
{
    for (const auto& row : kTimeOfDayTable) {
        const QString name = QString::fromUtf8(row.iconName.data(), static_cast<qsizetype>(row.iconName.size()));
        const QImage picture = presetArtwork(name).pixmap(32, 32).toImage();
        ASSERT_FALSE(picture.isNull()) << row.iconName;
        EXPECT_GT(qAlpha(picture.pixel(16, 16)), 0) << row.iconName;
    }
    EXPECT_TRUE(presetArtwork(u"no-such-picture").isNull());
}

} // namespace
} // namespace tl::ui
