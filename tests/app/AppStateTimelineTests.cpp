#include "support/AppStateFixture.h"

#include <opencv2/imgcodecs.hpp>

#include <cmath>
#include <fstream>
#include <limits>

namespace tl::testing {
namespace {

using ::testing::ElementsAre;

class TimelineTest : public AppStateTest {
protected:
    void load(std::vector<WallpaperImage> frames, WallpaperMode frameMode = WallpaperMode::appearance)
    {
        state.applyOpenedProject(std::move(frames), frameMode, "/p.vorrind", {}, {}, {}, {});
        endEvent();
    }
    const Uuid& idOf(std::size_t index) const { return state.images.get()[index].id; }
};

TEST_F(TimelineTest, InsertClampsTheIndexAndKeepsTheBlockTogetherInAppearanceMode)
{
    load({keyImage("a"), keyImage("b")});
    state.insertImages({keyImage("x"), keyImage("y")}, -5, "Add Tweens");
    EXPECT_THAT(timeline(), ElementsAre("x", "y", "a", "b"));
    state.insertImages({keyImage("z")}, 99, "Add Tweens");
    EXPECT_THAT(timeline(), ElementsAre("x", "y", "a", "b", "z"));
    state.insertImages({keyImage("m")}, 2, "Add Tweens");
    EXPECT_THAT(timeline(), ElementsAre("x", "y", "m", "a", "b", "z"));
    EXPECT_TRUE(state.isDirty.get());
    endEvent();
    EXPECT_EQ(undo->undoActionName(), "Add Tweens");
}

TEST_F(TimelineTest, InsertOfNothingRecordsNothing)
{
    load({keyImage("a")});
    undo->removeAllActions();
    state.insertImages({}, 0, "Add Tweens");
    endEvent();
    EXPECT_FALSE(undo->canUndo());
    EXPECT_FALSE(state.isDirty.get());
}

TEST_F(TimelineTest, TimeModeSortsInsertedImagesByHourWithStableTies)
{
    state.addImage(keyImage("noon", 12.0));
    state.addImage(keyImage("first-six", 6.0));
    state.insertImages({keyImage("late", 23.0), keyImage("second-six", 30.0), keyImage("wrapped", -1.0)}, 2, "Add");
    EXPECT_THAT(timeline(), ElementsAre("first-six", "second-six", "noon", "late", "wrapped"));
}

TEST_F(TimelineTest, NonFiniteValuesCountAsAbsentWhenSorting)
{
    auto nanHour = keyImage("nan-hour", std::numeric_limits<double>::quiet_NaN());
    nanHour.altitude = 0.0;  // no azimuth: sorts as hour 0
    auto infiniteSun = keyImage("infinite-sun");
    infiniteSun.altitude = std::numeric_limits<double>::infinity();
    infiniteSun.azimuth = 90.0;
    state.setImages({keyImage("three", 3.0), nanHour, keyImage("one", 1.0), infiniteSun}, WallpaperMode::time, false);
    EXPECT_THAT(timeline(), ElementsAre("nan-hour", "infinite-sun", "one", "three"));
}

TEST_F(TimelineTest, DuplicateIdentifiersStillSort)
{
    auto twin = keyImage("twin-late", 20.0);
    auto sameId = keyImage("twin-early", 2.0);
    sameId.id = twin.id;
    state.setImages({twin, sameId}, WallpaperMode::time, false);
    EXPECT_THAT(timeline(), ElementsAre("twin-early", "twin-late"));
}

TEST_F(TimelineTest, DeletingAKeyImageLeavesItsTweensAndLeavesTheSelection)
{
    auto a = keyImage("a");
    auto a1 = tweenOf(a, "a1");
    auto b = keyImage("b");
    load({a, a1, b});
    state.select(a.id);
    state.toggleSelection(b.id);
    state.deleteImage(a.id);
    EXPECT_THAT(timeline(), ElementsAre("a1", "b"));
    EXPECT_EQ(state.images.get()[0].parentId, a.id);
    EXPECT_EQ(state.selectedImageIds.get(), std::set<Uuid>{b.id});
    EXPECT_EQ(state.lastSelectedImageId.get(), b.id);

    state.deleteImage(b.id);
    EXPECT_TRUE(state.selectedImageIds.get().empty());
    EXPECT_FALSE(state.lastSelectedImageId.get().has_value());
    endEvent();
    EXPECT_EQ(undo->undoActionName(), "Delete Image");
}

TEST_F(TimelineTest, DeleteAllTweensRemovesOnlyTweensAndIsANoOpWithoutThem)
{
    auto a = keyImage("a");
    auto a1 = tweenOf(a, "a1");
    load({a, a1, keyImage("b"), tweenOf(a, "a2")});
    state.select(a1.id);
    state.deleteAllTweens();
    EXPECT_THAT(timeline(), ElementsAre("a", "b"));
    EXPECT_FALSE(state.lastSelectedImageId.get().has_value());
    endEvent();

    state.isDirty = false;
    state.deleteAllTweens();
    endEvent();
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_EQ(undo->undoActionName(), "Delete All Tweens");
}

TEST_F(TimelineTest, ReorderMovesTheKeyImageWithItsTrailingTweensBeforeTheTarget)
{
    auto a = keyImage("A");
    auto b = keyImage("B");
    auto c = keyImage("C");
    load({a, tweenOf(a, "a1"), tweenOf(a, "a2"), b, c});
    state.reorderImages(a.id, c.id);
    EXPECT_THAT(timeline(), ElementsAre("B", "A", "a1", "a2", "C"));
    endEvent();
    EXPECT_EQ(undo->undoActionName(), "Reorder Images");
    undo->undo();
    EXPECT_THAT(timeline(), ElementsAre("A", "a1", "a2", "B", "C"));
}

TEST_F(TimelineTest, ReorderPlacesBeforeTheTargetInBothDirections)
{
    load({keyImage("A"), keyImage("B"), keyImage("C"), keyImage("D")});
    state.reorderImages(idOf(0), idOf(2));
    EXPECT_THAT(timeline(), ElementsAre("B", "A", "C", "D"));
    state.reorderImages(idOf(3), idOf(0));
    EXPECT_THAT(timeline(), ElementsAre("D", "B", "A", "C"));
    state.reorderImages(idOf(0), idOf(3));
    EXPECT_THAT(timeline(), ElementsAre("B", "A", "D", "C"));
}

TEST_F(TimelineTest, ReorderKeepsTweensOfTheSourceThatDoNotFollowIt)
{
    auto a = keyImage("A");
    auto b = keyImage("B");
    load({a, tweenOf(a, "a1"), b, tweenOf(a, "stray"), keyImage("C")});
    state.reorderImages(a.id, idOf(4));
    EXPECT_THAT(timeline(), ElementsAre("B", "stray", "A", "a1", "C"));
}

TEST_F(TimelineTest, ReorderLeavesATweenOfAnotherKeyImageThatFollowsTheSource)
{
    auto a = keyImage("A");
    auto b = keyImage("B");
    load({a, tweenOf(b, "b1"), b, keyImage("C")});
    state.reorderImages(a.id, idOf(3));
    EXPECT_THAT(timeline(), ElementsAre("b1", "B", "A", "C"));
}

TEST_F(TimelineTest, SetImagesPrunesTheSelectionSortsInTheNewModeAndClearsThePathOnlyWhenAsked)
{
    auto evening = keyImage("evening", 19.0);
    auto morning = keyImage("morning", 7.0);
    auto noon = keyImage("noon", 12.0);
    load({evening, morning});
    state.selectedImageIds = std::set<Uuid>{evening.id, morning.id};

    state.setImages({evening, noon, morning}, WallpaperMode::time, false);
    EXPECT_THAT(timeline(), ElementsAre("morning", "noon", "evening"));
    EXPECT_EQ(state.currentProjectPath.get(), std::filesystem::path("/p.vorrind"));
    EXPECT_TRUE(state.isDirty.get());

    state.setImages({noon, evening}, std::nullopt, true);
    EXPECT_EQ(state.selectedImageIds.get(), std::set<Uuid>{evening.id});
    EXPECT_FALSE(state.currentProjectPath.get());
}

TEST_F(TimelineTest, ReorderOfTweensUnknownIdsOrTheSameIdRecordsNothing)
{
    auto a = keyImage("A");
    auto a1 = tweenOf(a, "a1");
    auto b = keyImage("B");
    load({a, a1, b});
    undo->removeAllActions();
    state.reorderImages(a1.id, b.id);
    state.reorderImages(b.id, a1.id);
    state.reorderImages(a.id, a.id);
    state.reorderImages(Uuid::random(), b.id);
    endEvent();
    EXPECT_FALSE(undo->canUndo());
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_THAT(timeline(), ElementsAre("A", "a1", "B"));
}

TEST_F(TimelineTest, SetModeToTheCurrentModeRecordsNothing)
{
    load({keyImage("a")});
    undo->removeAllActions();
    state.setMode(WallpaperMode::appearance);
    endEvent();
    EXPECT_FALSE(undo->canUndo());
    EXPECT_FALSE(state.isDirty.get());
}

TEST_F(TimelineTest, UpdateImageReplacesByIdAndResorts)
{
    auto morning = keyImage("morning", 8.0);
    auto evening = keyImage("evening", 18.0);
    state.setImages({morning, evening}, WallpaperMode::time, false);
    morning.timeOfDay = 20.0;
    morning.fileName = "night";
    state.updateImage(morning);
    EXPECT_THAT(timeline(), ElementsAre("evening", "night"));
    endEvent();
    EXPECT_EQ(undo->undoActionName(), "Edit Image");

    state.updateImage(keyImage("stranger"));
    EXPECT_THAT(timeline(), ElementsAre("evening", "night"));
}

TEST_F(TimelineTest, ReplaceImagesPrunesTheSelectionAndSetsDirtyAsAsked)
{
    auto a = keyImage("a");
    auto b = keyImage("b");
    load({a, b});
    state.select(a.id);
    state.toggleSelection(b.id);
    state.replaceImages({b, keyImage("c")}, "Auto Tween", false);
    EXPECT_EQ(state.selectedImageIds.get(), std::set<Uuid>{b.id});
    EXPECT_EQ(state.lastSelectedImageId.get(), b.id);
    EXPECT_FALSE(state.isDirty.get());

    state.replaceImages({keyImage("d")}, "Auto Tween", true);
    EXPECT_TRUE(state.selectedImageIds.get().empty());
    EXPECT_FALSE(state.lastSelectedImageId.get().has_value());
    EXPECT_TRUE(state.isDirty.get());
}

TEST_F(TimelineTest, OpeningAndNewProjectAreUndoableAndRestoreTheEarlierProject)
{
    state.addImage(keyImage("draft", 5.0));
    state.lastMagicPrompt = std::string("lighthouse");
    endEvent();
    state.applyOpenedProject({keyImage("late", 20.0), keyImage("early", 1.0)}, WallpaperMode::time, "/Day.vorrind",
                             std::string("dunes"), std::nullopt, 5, std::nullopt);
    endEvent();
    // Stored order stands until something normalises.
    EXPECT_THAT(timeline(), ElementsAre("late", "early"));
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_EQ(state.lastMagicPrompt.get(), "dunes");
    EXPECT_EQ(state.lastMagicSize.get(), "1024x576");
    EXPECT_EQ(state.lastMagicTweenCount.get(), 5);
    EXPECT_EQ(state.lastMagicStartingImageFileName.get(), "");

    state.newProject("New Project");
    endEvent();
    EXPECT_TRUE(state.images.get().empty());
    EXPECT_FALSE(state.currentProjectPath.get().has_value());
    EXPECT_EQ(state.lastMagicTweenCount.get(), 3);

    undo->undo();
    EXPECT_EQ(state.currentProjectPath.get(), std::filesystem::path("/Day.vorrind"));
    EXPECT_EQ(undo->undoActionName(), "Open Project");
    undo->undo();
    EXPECT_THAT(timeline(), ElementsAre("draft"));
    EXPECT_TRUE(state.isDirty.get());
    EXPECT_EQ(state.lastMagicPrompt.get(), "lighthouse");
}

class AddImageFromFileTest : public AppStateTest {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() / ("tl-add-image-" + Uuid::random().text());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
};

TEST_F(AddImageFromFileTest, AFileBecomesAKeyImageShapedByTheMode)
{
    const auto png = folder / "dawn.png";
    ASSERT_TRUE(cv::imwrite(png.string(), cv::Mat(4, 6, CV_8UC3, cv::Scalar(10, 20, 30))));
    state.addImage(png);
    state.setMode(WallpaperMode::appearance);
    state.addImage(png);

    const auto& frames = state.images.get();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].fileName, "dawn.png");
    EXPECT_EQ(frames[0].sourcePath, png.string());
    ASSERT_NE(frames[0].thumbnail, nullptr);
    EXPECT_EQ(frames[0].altitude, 0.0);
    EXPECT_EQ(frames[0].azimuth, 0.0);
    EXPECT_FALSE(frames[0].isLight.has_value());
    EXPECT_EQ(frames[1].isLight, true);
    EXPECT_FALSE(frames[1].altitude.has_value());
    EXPECT_NE(frames[0].id, frames[1].id);
    endEvent();
    EXPECT_EQ(undo->undoActionName(), "Add Image");
}

TEST_F(AddImageFromFileTest, MissingOrUndecodableFilesAddNothing)
{
    std::ofstream(folder / "notes.png") << "not an image";
    state.addImage(folder / "missing.png");
    state.addImage(folder / "notes.png");
    state.addImage(folder);
    endEvent();
    EXPECT_TRUE(state.images.get().empty());
    EXPECT_FALSE(undo->canUndo());
}

}  // namespace
}  // namespace tl::testing
