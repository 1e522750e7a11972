#include "ui/library/LibraryViewModel.h"

#include "ui/library/PlaybackController.h"

#include "UiTestSupport.h"

namespace tl::ui {
namespace {

using tl::testing::keyImage;
using tl::testing::tweenOf;

class LibraryViewModelTest : public tl::testing::UiStateTest {
protected:
    // a b c d, with the given hours so the time-mode order stays as written.
    LibraryViewModelTest()
    {
        double h = 6;
        for (const char* name : { "a", "b", "c", "d" })
            state.addImage(keyImage(name, h += 3));
        endEvent();
    }

    const Uuid& idOf(std::size_t index) const { return state.images.get()[index].id; }
    std::set<std::string> selectedNames() const
    {
        std::set<std::string> names;
        for (const auto& image : state.images.get()) {
            if (state.selectedImageIds.get().contains(image.id)) names.insert(image.fileName);
        }
        return names;
    }

    LibraryViewModel library { state, ui };
};

TEST_F(LibraryViewModelTest, PlainShiftAndCtrlClicksSelect)
{
    library.handleClick(idOf(1), {});
    EXPECT_EQ(selectedNames(), (std::set<std::string> { "b" }));
    library.handleClick(idOf(3), { .shift = true });
    EXPECT_EQ(selectedNames(), (std::set<std::string> { "b", "c", "d" }));
    library.handleClick(idOf(2), { .command = true });
    EXPECT_EQ(selectedNames(), (std::set<std::string> { "b", "d" }));
    library.handleClick(idOf(0), { .command = true });
    EXPECT_EQ(selectedNames(), (std::set<std::string> { "a", "b", "d" }));
    // Shift with Ctrl extends from the last toggled image; it does not toggle.
    library.handleClick(idOf(1), { .shift = true, .command = true });
    EXPECT_EQ(selectedNames(), (std::set<std::string> { "a", "b" }));
    library.handleClick(idOf(2), {});
    EXPECT_EQ(selectedNames(), (std::set<std::string> { "c" }));
}

TEST_F(LibraryViewModelTest, ADoubleClickShowsTheClickedImageEvenWhereTheHourMapsElsewhere)
{
    PlaybackController scrubber { state, library.previewHour, ui.isTimelinePlaying };
    // "b" stands at 12:00, but hour 12 maps to the third of four positions, "c".
    library.handleDoubleClick(idOf(1));
    EXPECT_DOUBLE_EQ(library.previewHour.get(), 12);
    EXPECT_EQ(selectedNames(), (std::set<std::string> { "b" }));
    EXPECT_EQ(ui.viewMode.get(), LibraryViewMode::single);

    // The double click records nothing to undo.
    EXPECT_EQ(undo->undoActionName(), "Add Image");
}

TEST_F(LibraryViewModelTest, ADoubleClickInAppearanceModeKeepsTheHour)
{
    state.setMode(WallpaperMode::appearance);
    library.previewHour = 7;
    library.handleDoubleClick(idOf(3));
    EXPECT_DOUBLE_EQ(library.previewHour.get(), 7);
    EXPECT_EQ(state.selectedImage()->id, idOf(3));
    EXPECT_EQ(ui.viewMode.get(), LibraryViewMode::single);
}

TEST_F(LibraryViewModelTest, TweenTargetsAndMenus)
{
    // a, a's tween, b, c, d
    auto tween = tweenOf(state.images.get()[0], "a-t");
    tween.timeOfDay = 10;
    state.insertImages({ tween }, 1, "Add Tweens");
    const auto image = [&](const std::string& name) {
        return *std::ranges::find(state.images.get(), name, &WallpaperImage::fileName);
    };
    EXPECT_FALSE(library.tweenTarget(image("a"))) << "already followed by a tween";
    EXPECT_FALSE(library.tweenTarget(image("a-t"))) << "tweens have no target";
    const auto fromB = library.tweenTarget(image("b"));
    ASSERT_TRUE(fromB);
    EXPECT_EQ(fromB->target.fileName, "c");
    EXPECT_EQ(fromB->insertIndex, 3u);
    const auto fromLast = library.tweenTarget(image("d"));
    ASSERT_TRUE(fromLast);
    EXPECT_EQ(fromLast->target.fileName, "a");
    EXPECT_EQ(fromLast->insertIndex, 5u);

    using enum LibraryMenuItem;
    EXPECT_EQ(library.contextMenu(image("b"), LibraryViewMode::grid),
        (std::vector { editWithAI, generateTweens, divider, deleteImage }));
    EXPECT_EQ(
        library.contextMenu(image("a-t"), LibraryViewMode::grid), (std::vector { editWithAI, divider, deleteImage }));
    EXPECT_EQ(library.contextMenu(image("a-t"), LibraryViewMode::list), (std::vector { editWithAI, deleteImage }));
}

TEST_F(LibraryViewModelTest, TheListMenuKeepsItsDividerDirectlyAfterGenerateTweens)
{
    using enum LibraryMenuItem;
    const auto b = state.images.get()[1];
    EXPECT_EQ(library.contextMenu(b, LibraryViewMode::list),
        (std::vector { editWithAI, generateTweens, divider, deleteImage }));
}

TEST_F(LibraryViewModelTest, AnOnlyKeyImageOffersNoTweensToItself)
{
    // One key image between tweens: it is last or followed by a tween, and no other key image exists.
    const auto key = state.images.get()[0];
    for (const auto& timeline : { std::vector { key }, std::vector { tweenOf(key, "before"), key },
             std::vector { key, tweenOf(key, "after") } }) {
        state.replaceImages(timeline, "Trim", true);
        const auto& only = *std::ranges::find(state.images.get(), key.id, &WallpaperImage::id);
        EXPECT_FALSE(library.tweenTarget(only)) << timeline.size() << " frames";
        EXPECT_EQ(library.contextMenu(only, LibraryViewMode::list),
            (std::vector { LibraryMenuItem::editWithAI, LibraryMenuItem::deleteImage }));
        state.select(key.id);
        EXPECT_FALSE(library.canGenerateTweensForSelection());
    }
}

TEST_F(LibraryViewModelTest, DeletingFromTheMenuIsOneUndoableStep)
{
    const auto doomed = idOf(2);
    state.select(doomed);
    library.deleteImage(doomed);
    endEvent();
    EXPECT_EQ(timeline(), (std::vector<std::string> { "a", "b", "d" }));
    EXPECT_TRUE(state.selectedImageIds.get().empty());
    EXPECT_EQ(undo->undoActionName(), "Delete Image");
    undo->undo();
    EXPECT_EQ(timeline(), (std::vector<std::string> { "a", "b", "c", "d" }));
}

TEST_F(LibraryViewModelTest, AutoTweenNeedsTwoKeyImages)
{
    EXPECT_TRUE(library.canAutoTween());
    state.replaceImages({ state.images.get()[0], tweenOf(state.images.get()[0], "t") }, "Trim", true);
    EXPECT_FALSE(library.canAutoTween());
}

TEST_F(LibraryViewModelTest, TheResizeHandleFollowsThePointerFromTheHeightTheDragBeganAt)
{
    library.timelineResizeChanged(-25);
    EXPECT_TRUE(library.isDraggingTimeline.get());
    library.timelineResizeChanged(-50);
    EXPECT_DOUBLE_EQ(library.timelineHeight.get(), 242);
    library.timelineResizeEnded();
    EXPECT_FALSE(library.isDraggingTimeline.get());

    // The next drag starts from 242.
    library.timelineResizeChanged(20);
    EXPECT_DOUBLE_EQ(library.timelineHeight.get(), 222);
    library.timelineResizeChanged(1000);
    EXPECT_DOUBLE_EQ(library.timelineHeight.get(), 80);
    library.timelineResizeChanged(-1000);
    EXPECT_DOUBLE_EQ(library.timelineHeight.get(), 400);
    library.timelineResizeEnded();
}

TEST_F(LibraryViewModelTest, TheStripShowsInTimeModeWithImagesOnly)
{
    EXPECT_TRUE(library.showsTimeline());
    state.setMode(WallpaperMode::appearance);
    EXPECT_FALSE(library.showsTimeline());
    state.setMode(WallpaperMode::time);
    state.replaceImages({}, "Clear", true);
    EXPECT_FALSE(library.showsTimeline());
}

} // namespace
} // namespace tl::ui
