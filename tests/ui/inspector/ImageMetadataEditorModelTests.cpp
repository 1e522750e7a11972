#include "ui/inspector/ImageMetadataEditorModel.h"

#include "ui/UiTestSupport.h"

namespace tl::ui {
namespace {

// Edits through the real store and its undo manager: which steps exist, under which names, and
// what the image holds after each.
class EditorModelTest : public tl::testing::AppStateTest {
protected:
    EditorModelTest()
    {
        auto morning = testing::keyImage("morning.png", 8);
        auto evening = testing::keyImage("evening.png", 18);
        evening.altitude = 5;
        evening.azimuth = 270;
        state.setImages({ morning, evening }, WallpaperMode::time, true);
        state.isDirty = false;
        first = morning.id;
        second = evening.id;
    }

    WallpaperImage stored(const Uuid& id) const { return state.images.get()[*indexOfImage(state.images.get(), id)]; }
    std::size_t undoSteps()
    {
        std::size_t steps = 0;
        while (undo->canUndo()) {
            undo->undo();
            ++steps;
        }
        for (std::size_t i = 0; i < steps; ++i)
            undo->redo();
        return steps;
    }

    Uuid first;
    Uuid second;
};

TEST_F(EditorModelTest, SelectingAnImageLoadsItWithoutEditingIt)
{
    ImageMetadataEditorModel editor(state);
    EXPECT_FALSE(editor.hasImage());
    const auto before = timeline();

    state.select(first);
    endEvent();
    EXPECT_TRUE(editor.hasImage());
    EXPECT_EQ(editor.altitude(), 0);
    EXPECT_EQ(editor.azimuth(), 0);
    EXPECT_TRUE(editor.isLight());
    // The image without a sun position keeps none, and nothing else moved.
    EXPECT_FALSE(stored(first).altitude.has_value());
    EXPECT_FALSE(stored(first).azimuth.has_value());
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(timeline(), before);

    state.select(second);
    EXPECT_EQ(editor.altitude(), 5);
    EXPECT_EQ(editor.azimuth(), 270);
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(EditorModelTest, EachNudgeIsOneEditImageStepWritingBothAngles)
{
    ImageMetadataEditorModel editor(state);
    state.select(first);
    editor.setAltitude(12.5);
    endEvent();
    EXPECT_EQ(stored(first).altitude, 12.5);
    EXPECT_EQ(stored(first).azimuth, 0.0); // now present
    EXPECT_TRUE(state.isDirty.get());
    EXPECT_EQ(undo->undoActionName(), "Edit Image");

    editor.setAzimuth(90);
    endEvent();
    EXPECT_EQ(undoSteps(), 2u);
    undo->undo();
    EXPECT_EQ(stored(first).azimuth, 0.0);
    EXPECT_EQ(editor.azimuth(), 0);
    undo->undo();
    EXPECT_FALSE(stored(first).altitude.has_value());
    EXPECT_FALSE(state.isDirty.get());
}

TEST_F(EditorModelTest, OneDragOverManyEventsIsOneStepAndUndoesWhole)
{
    ImageMetadataEditorModel editor(state);
    state.select(second);
    editor.beginGesture();
    for (int i = 1; i <= 40; ++i) {
        editor.setAltitude(5 + i * 0.5);
        endEvent(); // every reported value arrives in its own mouse event
    }
    editor.endGesture();
    endEvent();
    EXPECT_EQ(stored(second).altitude, 25.0);
    EXPECT_EQ(undoSteps(), 1u);
    EXPECT_EQ(undo->undoActionName(), "Edit Image");

    undo->undo();
    EXPECT_EQ(stored(second).altitude, 5.0);
    EXPECT_EQ(editor.altitude(), 5);
    undo->redo();
    EXPECT_EQ(stored(second).altitude, 25.0);

    // A press and release without a move records nothing.
    editor.beginGesture();
    editor.endGesture();
    EXPECT_EQ(undoSteps(), 1u);
}

TEST_F(EditorModelTest, ChangesMadeElsewhereAreReloadedSoTheNextNudgeKeepsThem)
{
    ImageMetadataEditorModel editor(state);
    state.select(first);
    editor.setAltitude(30);
    endEvent();

    // A preset writes both angles of the selected image.
    auto preset = stored(first);
    preset.altitude = -0.8;
    preset.azimuth = 270;
    state.updateImage(preset);
    endEvent();
    EXPECT_EQ(editor.altitude(), -0.8);
    EXPECT_EQ(editor.azimuth(), 270);
    EXPECT_EQ(undoSteps(), 2u); // reloading wrote nothing

    // The next nudge of one angle keeps the preset's other one.
    editor.setAzimuth(260);
    endEvent();
    EXPECT_EQ(stored(first).altitude, -0.8);

    // Undo twice goes back to the nudge before the preset; the editor follows, and a nudge
    // from there keeps that altitude instead of reverting the undo.
    undo->undo();
    undo->undo();
    EXPECT_EQ(editor.altitude(), 30);
    EXPECT_EQ(editor.azimuth(), 0);
    editor.setAzimuth(45);
    endEvent();
    EXPECT_EQ(stored(first).altitude, 30.0);
    EXPECT_EQ(stored(first).azimuth, 45.0);
    EXPECT_FALSE(undo->canRedo());
}

TEST_F(EditorModelTest, AppearanceModeWritesOnlyTheLightFlag)
{
    state.setMode(WallpaperMode::appearance);
    endEvent();
    ImageMetadataEditorModel editor(state);
    state.select(second);
    EXPECT_EQ(editor.mode(), WallpaperMode::appearance);
    EXPECT_TRUE(editor.isLight()); // absent reads as light

    editor.setLight(false);
    endEvent();
    EXPECT_EQ(stored(second).isLight, false);
    EXPECT_EQ(stored(second).altitude, 5.0);
    EXPECT_EQ(stored(second).azimuth, 270.0);
    EXPECT_FALSE(stored(first).isLight.has_value());
    EXPECT_EQ(undo->undoActionName(), "Edit Image");
}

TEST_F(EditorModelTest, AnEditWithoutASelectionChangesNothing)
{
    ImageMetadataEditorModel editor(state);
    editor.setAltitude(10);
    editor.setLight(false);
    endEvent();
    EXPECT_FALSE(undo->canUndo());
    EXPECT_FALSE(state.isDirty.get());
}

} // namespace
} // namespace tl::ui
