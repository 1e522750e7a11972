#include "ScriptedTweenEngine.h"
#include "UiTestSupport.h"
#include "support/LogRecorder.h"

#include "ui/library/LibraryViewModel.h"
#include "ui/library/TweenInsertion.h"

#include <gtest/gtest.h>

namespace tl::testing {
namespace {

namespace fs = std::filesystem;

class TweenInsertionTest : public UiStateTest {
protected:
    WallpaperImage keyWithFile(const std::string& name, double hour)
    {
        return keyImageWithFile(folder.path(), name, hour);
    }

    bool runEnds()
    {
        insertion.waitForRun();
        return processEventsUntil([&] { return !insertion.isGeneratingTweens.get(); });
    }

    TemporaryFolder folder;
    std::shared_ptr<ScriptedTweenEngine> engine = std::make_shared<ScriptedTweenEngine>();
    ui::LibraryViewModel library { state, ui };
    ui::TweenInsertion insertion { state, library, engine };
    LogRecorder log;
};

TEST_F(TweenInsertionTest, OpeningNeedsATweenTargetAndAutomaticModeNeedsTwoKeys)
{
    const auto a = keyWithFile("a.png", 6);
    state.setImages({ a }, std::nullopt, false);
    insertion.openTweenSheet(a);
    insertion.beginAutoTween();
    EXPECT_FALSE(insertion.showingTweenSheet.get());

    const auto b = keyWithFile("b.png", 12);
    state.setImages({ a, b }, std::nullopt, false);
    insertion.openTweenSheet(b);
    EXPECT_TRUE(insertion.showingTweenSheet.get());
    EXPECT_EQ(insertion.targetImage()->id, a.id);
    insertion.cancel();
    insertion.beginAutoTween();
    EXPECT_TRUE(insertion.isAutoTweenMode.get());
    EXPECT_FALSE(insertion.tweenSourceImage.get().has_value());
}

TEST_F(TweenInsertionTest, ManualRunInsertsAfterTheSourceWhereItStandsWhenTheRunEnds)
{
    const auto a = keyWithFile("a.png", 6);
    const auto b = keyWithFile("b.png", 12);
    state.setImages({ a, b }, std::nullopt, false);
    insertion.openTweenSheet(a);
    insertion.tweenCount = 2;
    insertion.startTweenRun();
    EXPECT_TRUE(insertion.isGeneratingTweens.get());
    // Meanwhile an image lands before the source.
    state.insertImages({ keyWithFile("early.png", 1) }, 0, "Add Image");
    endEvent();
    ASSERT_TRUE(runEnds());
    EXPECT_EQ(timeline(),
        (std::vector<std::string> { "early.png", "a.png", "a_png_tween_1.png", "a_png_tween_2.png", "b.png" }));
    EXPECT_EQ(undo->undoActionName(), "Add Tweens");
    EXPECT_FALSE(insertion.showingTweenSheet.get());
    EXPECT_EQ(insertion.generatedTweens.get().size(), 2u);
    endEvent();
    undo->undo();
    EXPECT_EQ(timeline(), (std::vector<std::string> { "early.png", "a.png", "b.png" }));
}

TEST_F(TweenInsertionTest, ManualRunWithoutFilesPrintsWhichSideIsMissing)
{
    auto a = keyWithFile("a.png", 6);
    auto b = keyWithFile("b.png", 12);
    b.sourcePath = (folder.path() / "gone.png").string();
    state.setImages({ a, b }, std::nullopt, false);
    insertion.openTweenSheet(a);
    insertion.startTweenRun();
    EXPECT_TRUE(log.contains("Invalid target image for tween generation"));
    EXPECT_FALSE(insertion.isGeneratingTweens.get());
    EXPECT_TRUE(insertion.showingTweenSheet.get());
}

TEST_F(TweenInsertionTest, AFailedRunShowsItsTextUntilTheNextGenerate)
{
    const auto a = keyWithFile("a.png", 6);
    state.setImages({ a, keyWithFile("b.png", 12) }, std::nullopt, false);
    endEvent();
    insertion.openTweenSheet(a);
    insertion.tweenCount = 0;
    insertion.startTweenRun();
    ASSERT_TRUE(runEnds());
    ASSERT_TRUE(insertion.failureText.get().has_value());
    EXPECT_TRUE(insertion.failureText.get()->starts_with("Tween generation failed: "));
    EXPECT_TRUE(log.anyStartsWith("Tween generation failed: "));
    EXPECT_TRUE(insertion.showingTweenSheet.get());
    EXPECT_EQ(timeline(), (std::vector<std::string> { "a.png", "b.png" }));

    insertion.tweenCount = 1;
    insertion.startTweenRun();
    EXPECT_FALSE(insertion.failureText.get().has_value());
    ASSERT_TRUE(runEnds());
}

TEST_F(TweenInsertionTest, AutomaticRunReplacesEarlierTweensAsOneStep)
{
    const auto a = keyWithFile("a.png", 6);
    const auto b = keyWithFile("b.png", 12);
    auto old = tweenOf(a, "old.png");
    old.timeOfDay = 7;
    state.setImages({ a, old, b }, std::nullopt, false);
    endEvent();
    insertion.beginAutoTween();
    insertion.tweenCount = 1;
    insertion.startTweenRun();
    ASSERT_TRUE(runEnds());
    EXPECT_EQ(timeline(),
        (std::vector<std::string> { "a.png", "a_png_to_b_png_tween_1.png", "b.png", "b_png_to_a_png_tween_1.png" }));
    EXPECT_EQ(undo->undoActionName(), "Auto Tween");
    EXPECT_TRUE(state.isDirty.get());
    EXPECT_FALSE(insertion.showingTweenSheet.get());
    EXPECT_FALSE(insertion.isAutoTweenMode.get());
    endEvent();
    undo->undo();
    EXPECT_EQ(timeline(), (std::vector<std::string> { "a.png", "old.png", "b.png" }));
}

TEST_F(TweenInsertionTest, AFailingAutomaticRunLeavesTheTimelineAlone)
{
    const auto a = keyWithFile("a.png", 6);
    const auto b = keyWithFile("b.png", 12);
    engine->failingSource = *b.sourcePath;
    state.setImages({ a, b }, std::nullopt, false);
    insertion.beginAutoTween();
    insertion.startTweenRun();
    ASSERT_TRUE(runEnds());
    EXPECT_EQ(timeline(), (std::vector<std::string> { "a.png", "b.png" }));
    EXPECT_TRUE(log.anyStartsWith("Auto tween generation failed: "));
    EXPECT_TRUE(insertion.showingTweenSheet.get());
    EXPECT_FALSE(insertion.isAutoTweenMode.get());
}

TEST_F(TweenInsertionTest, AutomaticModeTurnsOffWhenOnlyOneKeyIsLeftAtGenerate)
{
    const auto a = keyWithFile("a.png", 6);
    const auto b = keyWithFile("b.png", 12);
    state.setImages({ a, b }, std::nullopt, false);
    insertion.beginAutoTween();
    state.deleteImage(b.id);
    insertion.startTweenRun();
    EXPECT_FALSE(insertion.isAutoTweenMode.get());
    EXPECT_FALSE(insertion.isGeneratingTweens.get());
    EXPECT_TRUE(insertion.showingTweenSheet.get());
    EXPECT_TRUE(engine->fileCalls().empty());
}

TEST_F(TweenInsertionTest, ARunStillGoingWhenTheInsertionGoesNeverLands)
{
    const auto a = keyWithFile("a.png", 6);
    state.setImages({ a, keyWithFile("b.png", 12) }, std::nullopt, false);
    {
        ui::TweenInsertion shortLived { state, library, engine };
        shortLived.openTweenSheet(a);
        shortLived.startTweenRun();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(timeline(), (std::vector<std::string> { "a.png", "b.png" }));
}

} // namespace
} // namespace tl::testing
