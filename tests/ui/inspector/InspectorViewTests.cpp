#include "generation/GenerationServices.h"
#include "support/UnreachableTransport.h"
#include "ui/inspector/DegreesText.h"
#include "ui/inspector/ImageMetadataEditor.h"
#include "ui/inspector/InspectorColumn.h"
#include "ui/inspector/InspectorView.h"
#include "ui/inspector/PresetsView.h"
#include "ui/inspector/QtLocationProvider.h"
#include "ui/inspector/SolarDebugView.h"
#include "ui/inspector/TracklessSlider.h"
#include "ui/library/LibraryContext.h"

#include "ui/UiTestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

namespace tl::ui {
namespace {

QStringList texts(const QWidget& root)
{
    QStringList found;
    for (const auto* label : root.findChildren<QLabel*>())
        found << label->text();
    for (const auto* button : root.findChildren<QAbstractButton*>())
        found << button->text();
    return found;
}

class InspectorTest : public tl::testing::UiStateTest {
protected:
    InspectorTest()
    {
        auto image = testing::keyImage("dawn.png", 6);
        image.altitude = -3;
        image.azimuth = 90;
        state.setImages({ image, testing::keyImage("plain.png", 12) }, WallpaperMode::time, true);
        state.isDirty = false;
    }
    const WallpaperImage& image(std::size_t index) const { return state.images.get()[index]; }

    tl::testing::UnreachableTransport transport;
    FixedEnvironment environment;
    GenerationServices generation { transport, defaults, environment };
    QWidget window;
    LibraryContext context { state, ui, window, generation };
    LocationProviderFactory location = [] { return std::make_unique<QtLocationProvider>(); };
};

TEST_F(InspectorTest, TheColumnShowsOnlyWithTheInspectorOnImagesAndASelection)
{
    InspectorColumn column(context);
    EXPECT_TRUE(column.isHidden());
    state.select(image(0).id);
    EXPECT_FALSE(column.isHidden());
    EXPECT_EQ(column.inspector().width(), 300);
    ui.showsInspector = false;
    EXPECT_TRUE(column.isHidden());
    ui.showsInspector = true;
    state.setImages({}, std::nullopt, false);
    EXPECT_TRUE(column.isHidden());
}

TEST_F(InspectorTest, WithoutASelectedImageOnlyTheEmptyStateShows)
{
    InspectorView inspector(context, location);
    EXPECT_TRUE(inspector.showsEmptyState());
    const QStringList shown = texts(*inspector.widget());
    EXPECT_TRUE(shown.contains("No Selection"));
    EXPECT_TRUE(shown.contains("Select an image to edit its metadata"));
    EXPECT_FALSE(shown.contains("Mode"));
    EXPECT_EQ(inspector.editor(), nullptr);
    EXPECT_EQ(inspector.presets(), nullptr);
    EXPECT_EQ(inspector.solarView(), nullptr);
}

TEST_F(InspectorTest, TimeModeShowsBothAngleRowsWithTheirTexts)
{
    InspectorView inspector(context, location);
    state.select(image(1).id);
    ASSERT_NE(inspector.editor(), nullptr);
    const QStringList shown = texts(*inspector.widget());
    for (const char* text : { "Mode", "Time", "Appearance", "Metadata", "Altitude", "Azimuth",
             "Sun elevation above horizon (-90° to 90°)", "Sun position from north (0° to 360°)" })
        EXPECT_TRUE(shown.contains(QString::fromUtf8(text))) << text;
    auto& editor = *inspector.editor();
    EXPECT_EQ(editor.altitudeText()->text(), "0.0°"); // no sun position yet
    EXPECT_EQ(editor.lightSwitch(), nullptr);
    EXPECT_TRUE(inspector.modeButton(WallpaperMode::time)->isChecked());
    ASSERT_NE(inspector.presets(), nullptr);
    EXPECT_EQ(inspector.presets()->buttons().size(), 11u);
    EXPECT_NE(inspector.solarView(), nullptr);

    state.select(image(0).id);
    EXPECT_EQ(editor.altitudeText()->text(), "-3.0°");
    EXPECT_EQ(editor.azimuthSlider()->value(), 90);
    EXPECT_FALSE(undo->canUndo());

    // The slider's lower end stores -90 and shows it.
    editor.altitudeSlider()->setFocus();
    QTest::keyClick(editor.altitudeSlider(), Qt::Key_Home);
    endEvent();
    EXPECT_EQ(state.selectedImage()->altitude, -90.0);
    EXPECT_EQ(editor.altitudeText()->text(), "-90.0°");
    EXPECT_EQ(undo->undoActionName(), "Edit Image");
}

TEST_F(InspectorTest, ThePickerSwitchesToAppearanceWithTheLightSwitch)
{
    InspectorView inspector(context, location);
    state.select(image(0).id);
    inspector.modeButton(WallpaperMode::appearance)->click();
    endEvent();
    EXPECT_EQ(state.mode.get(), WallpaperMode::appearance);
    EXPECT_EQ(undo->undoActionName(), "Change Mode");

    ASSERT_NE(inspector.editor(), nullptr);
    QCheckBox* light = inspector.editor()->lightSwitch();
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->text(), "Light Appearance");
    EXPECT_TRUE(light->isChecked()); // no flag reads as light
    EXPECT_EQ(inspector.editor()->altitudeSlider(), nullptr);
    EXPECT_TRUE(inspector.modeButton(WallpaperMode::appearance)->isChecked());
    EXPECT_EQ(inspector.solarView(), nullptr); // the sun preview is for time mode only
    EXPECT_EQ(inspector.presets()->buttons().size(), 2u);

    // A flag changed elsewhere shows without writing anything back.
    QSignalSpy clicks(light, &QCheckBox::clicked);
    auto dark = image(0);
    dark.isLight = false;
    state.updateImage(dark);
    endEvent();
    EXPECT_FALSE(light->isChecked());
    EXPECT_EQ(clicks.count(), 0);

    light->click();
    endEvent();
    EXPECT_EQ(state.selectedImage()->isLight, true);
}

TEST_F(InspectorTest, TheSunPreviewsTypedPlaceIsDroppedWithTheSelection)
{
    InspectorView inspector(context, location);
    state.select(image(0).id);
    ASSERT_NE(inspector.solarView(), nullptr);
    inspector.solarView()->model().setUseManualLocation(true);
    // Another image keeps the preview as it is.
    state.select(image(1).id);
    ASSERT_NE(inspector.solarView(), nullptr);
    EXPECT_TRUE(inspector.solarView()->model().useManualLocation());

    state.select(std::nullopt);
    EXPECT_EQ(inspector.solarView(), nullptr);
    state.select(image(0).id);
    ASSERT_NE(inspector.solarView(), nullptr);
    EXPECT_FALSE(inspector.solarView()->model().useManualLocation());
}

TEST(DegreesText, OneDecimalWithAPointAndNoNegativeZero)
{
    EXPECT_EQ(degreesText(12.46, 1), "12.5°");
    EXPECT_EQ(degreesText(-90, 1), "-90.0°");
    EXPECT_EQ(degreesText(-0.04, 1), "0.0°");
    EXPECT_EQ(degreesText(-0.0, 1), "0.0°");
    EXPECT_EQ(degreesText(-12.3456, 2), "-12.35°");
    EXPECT_EQ(degreesText(-0.004, 2), "0.00°");
}

} // namespace
} // namespace tl::ui
