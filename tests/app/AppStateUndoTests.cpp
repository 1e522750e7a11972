#include "support/AppStateFixture.h"

namespace tl::testing {
namespace {

using ::testing::ElementsAre;

TEST_F(AppStateTest, ChangeWithoutUndoManagerStandsAndCannotBeUndoneLater)
{
    state.undoManager.reset();
    state.setMode(WallpaperMode::appearance);
    EXPECT_EQ(state.mode.get(), WallpaperMode::appearance);

    state.undoManager = undo;
    endEvent();
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(AppStateTest, UndoAndRedoAlternateBetweenTheSameTwoStatesUnderOneName)
{
    state.addImage(keyImage("a.png"));
    endEvent();
    state.addImage(keyImage("b.png"));
    endEvent();
    EXPECT_EQ(undo->undoActionName(), "Add Image");

    for (int round = 0; round < 3; ++round) {
        undo->undo();
        EXPECT_THAT(timeline(), ElementsAre("a.png"));
        EXPECT_EQ(undo->redoActionName(), "Add Image");
        undo->redo();
        EXPECT_THAT(timeline(), ElementsAre("a.png", "b.png"));
        EXPECT_EQ(undo->undoActionName(), "Add Image");
    }
    undo->undo();
    undo->undo();
    EXPECT_TRUE(state.images.get().empty());
    EXPECT_FALSE(undo->canUndo());
    EXPECT_FALSE(state.isDirty.get());
}

TEST_F(AppStateTest, StepsOfOneUserEventAreUndoneTogether)
{
    state.addImage(keyImage("a.png"));
    state.addImage(keyImage("b.png"));
    endEvent();
    undo->undo();
    EXPECT_TRUE(state.images.get().empty());
}

TEST_F(AppStateTest, UndoRestoresDirtyFlagAndLocationThatHeldBeforeTheStep)
{
    state.addImage(keyImage("a.png"));
    endEvent();
    // A save writes these directly, outside undo.
    state.currentProjectPath = std::filesystem::path("/projects/Day.vorrind");
    state.isDirty = false;

    state.setMode(WallpaperMode::appearance);
    endEvent();
    EXPECT_TRUE(state.isDirty.get());

    undo->undo();
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_EQ(state.currentProjectPath.get(), std::filesystem::path("/projects/Day.vorrind"));
    // Undoing past the save returns to the never-saved project.
    undo->undo();
    EXPECT_TRUE(state.images.get().empty());
    EXPECT_FALSE(state.currentProjectPath.get().has_value());
    // Redo returns to the state the undo left, saved location included.
    undo->redo();
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_EQ(state.currentProjectPath.get(), std::filesystem::path("/projects/Day.vorrind"));
}

TEST_F(AppStateTest, UndoingAModeChangeGivesBackTheHandMadeOrderAndSelection)
{
    auto late = keyImage("late.png", 20.0);
    auto early = keyImage("early.png", 4.0);
    state.mode = WallpaperMode::appearance;
    state.addImage(late);
    state.addImage(early);
    state.select(late.id);
    state.toggleSelection(early.id);
    state.lastSelectedImageId = late.id;
    endEvent();

    // Switching to time mode sorts; undoing must give back the hand-made order.
    state.setMode(WallpaperMode::time);
    endEvent();
    EXPECT_THAT(timeline(), ElementsAre("early.png", "late.png"));
    undo->undo();
    EXPECT_THAT(timeline(), ElementsAre("late.png", "early.png"));
    EXPECT_EQ(state.mode.get(), WallpaperMode::appearance);
    EXPECT_EQ(state.selectedImageIds.get(), (std::set<Uuid>{late.id, early.id}));
    EXPECT_EQ(state.lastSelectedImageId.get(), late.id);
}

TEST_F(AppStateTest, RestoreNeverResortsEvenInTimeMode)
{
    state.applyOpenedProject({keyImage("late.png", 20.0), keyImage("early.png", 4.0)}, WallpaperMode::time,
                             "/Day.vorrind", {}, {}, {}, {});
    endEvent();
    state.addImage(keyImage("noon.png", 12.0));
    endEvent();
    EXPECT_THAT(timeline(), ElementsAre("early.png", "noon.png", "late.png"));
    undo->undo();
    EXPECT_THAT(timeline(), ElementsAre("late.png", "early.png"));
}

TEST_F(AppStateTest, RecentProjectsAndGenerationIdentifiersAreNeverUndone)
{
    state.addImage(keyImage("a.png"));
    state.addRecentProject("/projects/Day.vorrind");
    state.currentGenerationJobId = std::string("job-1");
    endEvent();
    undo->undo();
    EXPECT_TRUE(state.images.get().empty());
    ASSERT_EQ(state.recentProjects.get().size(), 1u);
    EXPECT_EQ(state.currentGenerationJobId.get(), "job-1");
}

TEST_F(AppStateTest, BatchRecordsOneStepUnderTheFirstNameAndSnapshot)
{
    state.addImage(keyImage("before.png"));
    endEvent();

    state.beginBatch("Generate Timeline");
    state.setImages({keyImage("one.png")}, WallpaperMode::time, true);
    state.beginBatch("Other");
    state.setImages({keyImage("one.png"), keyImage("two.png")}, WallpaperMode::time, true);
    state.endBatch();
    EXPECT_FALSE(state.hasOpenBatch());
    endEvent();

    EXPECT_EQ(undo->undoActionName(), "Generate Timeline");
    undo->undo();
    EXPECT_THAT(timeline(), ElementsAre("before.png"));
    EXPECT_EQ(undo->redoActionName(), "Generate Timeline");
    undo->redo();
    EXPECT_THAT(timeline(), ElementsAre("one.png", "two.png"));
}

TEST_F(AppStateTest, SetImagesAloneRecordsNothing)
{
    state.setImages({keyImage("one.png")}, std::nullopt, false);
    endEvent();
    EXPECT_FALSE(undo->canUndo());
    EXPECT_TRUE(state.isDirty.get());
}

TEST_F(AppStateTest, EndBatchWithoutBeginDoesNothingAndEmptyBatchStillRecords)
{
    state.endBatch();
    endEvent();
    EXPECT_FALSE(undo->canUndo());

    state.beginBatch(std::nullopt);
    state.endBatch();
    endEvent();
    ASSERT_TRUE(undo->canUndo());
    EXPECT_EQ(undo->undoActionName(), "Update");
    undo->undo();
    EXPECT_TRUE(state.images.get().empty());
    EXPECT_FALSE(state.isDirty.get());
}

TEST_F(AppStateTest, BatchClosesEvenWithoutUndoManager)
{
    state.undoManager.reset();
    state.beginBatch("Generate Timeline");
    state.endBatch();
    EXPECT_FALSE(state.hasOpenBatch());
}

TEST(AppStateLifetime, UndoManagerOutlivingTheStoreForgetsItsSteps)
{
    InMemoryDefaults defaults;
    ManualEventLoop loop;
    auto undo = loop.makeUndoManager();
    {
        AppState state{defaults};
        state.undoManager = undo;
        state.addImage(keyImage("a.png"));
        loop.finishEvent();
        EXPECT_TRUE(undo->canUndo());
    }
    EXPECT_FALSE(undo->canUndo());
    undo->undo();
}

TEST(AppStateLifetime, EveryManagerTheStoreUsedForgetsItsStepsAndADeadOneIsNeverCalled)
{
    InMemoryDefaults defaults;
    ManualEventLoop loop;
    auto first = loop.makeUndoManager();
    auto second = loop.makeUndoManager();
    {
        AppState state{defaults};
        state.undoManager = first;
        state.addImage(keyImage("a.png"));
        state.undoManager = second;
        state.addImage(keyImage("b.png"));
        loop.finishEvent();
        ASSERT_TRUE(first->canUndo());
        ASSERT_TRUE(second->canUndo());

        auto doomed = loop.makeUndoManager();
        state.undoManager = doomed;
        state.addImage(keyImage("c.png"));
        doomed.reset();
        loop.finishEvent();
        state.addImage(keyImage("d.png"));
        EXPECT_EQ(state.images.get().size(), 4u);
    }
    EXPECT_FALSE(first->canUndo());
    EXPECT_FALSE(second->canUndo());
}

}  // namespace
}  // namespace tl::testing
