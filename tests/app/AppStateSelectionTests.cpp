#include "support/AppStateFixture.h"

namespace tl::testing {
namespace {

class SelectionTest : public AppStateTest {
protected:
    void SetUp() override
    {
        for (const char* name : {"a", "b", "c", "d", "e"}) frames.push_back(keyImage(name));
        state.applyOpenedProject(frames, WallpaperMode::appearance, "/p.vorrind", {}, {}, {}, {});
        endEvent();
        undo->removeAllActions();
    }

    std::set<Uuid> ids(std::initializer_list<std::size_t> indices) const
    {
        std::set<Uuid> result;
        for (const auto index : indices) result.insert(frames[index].id);
        return result;
    }

    std::vector<WallpaperImage> frames;
};

TEST_F(SelectionTest, ToggleAddsWithNewAnchorAndRangeStartsFromIt)
{
    state.select(frames[0].id);
    state.toggleSelection(frames[3].id);
    EXPECT_EQ(state.selectedImageIds.get(), ids({0, 3}));
    EXPECT_EQ(state.lastSelectedImageId.get(), frames[3].id);

    state.extendSelection(frames[1].id);
    EXPECT_EQ(state.selectedImageIds.get(), ids({1, 2, 3}));
    EXPECT_EQ(state.lastSelectedImageId.get(), frames[1].id);
    // The next range starts from the last target, replacing the selection.
    state.extendSelection(frames[0].id);
    EXPECT_EQ(state.selectedImageIds.get(), ids({0, 1}));
}

TEST_F(SelectionTest, SelectionOperationsNeitherDirtyNorRecord)
{
    state.select(frames[0].id);
    state.toggleSelection(frames[1].id);
    state.extendSelection(frames[4].id);
    state.select(std::nullopt);
    endEvent();
    EXPECT_FALSE(state.isDirty.get());
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(SelectionTest, ToggleOffMovesTheAnchorToARemainingIdOrClearsIt)
{
    state.select(frames[0].id);
    state.toggleSelection(frames[1].id);
    state.toggleSelection(frames[1].id);
    EXPECT_EQ(state.selectedImageIds.get(), ids({0}));
    EXPECT_EQ(state.lastSelectedImageId.get(), frames[0].id);
    state.toggleSelection(frames[0].id);
    EXPECT_TRUE(state.selectedImageIds.get().empty());
    EXPECT_FALSE(state.lastSelectedImageId.get().has_value());
}

TEST_F(SelectionTest, ExtendWithoutAnchorOrWithUnknownIdsSelectsOnlyTheTarget)
{
    state.extendSelection(frames[2].id);
    EXPECT_EQ(state.selectedImageIds.get(), ids({2}));

    const auto stranger = Uuid::random();
    state.select(stranger);
    state.extendSelection(frames[4].id);
    EXPECT_EQ(state.selectedImageIds.get(), ids({4}));
    EXPECT_EQ(state.lastSelectedImageId.get(), frames[4].id);
}

TEST_F(SelectionTest, WholeWritesFollowTheSelectionChangeRule)
{
    state.selectedImageIds = ids({1});
    EXPECT_EQ(state.lastSelectedImageId.get(), frames[1].id);
    // An added id becomes the anchor.
    state.selectedImageIds = ids({1, 4});
    EXPECT_EQ(state.lastSelectedImageId.get(), frames[4].id);
    // Nothing added: a still-selected anchor stays.
    state.selectedImageIds = ids({4});
    EXPECT_EQ(state.lastSelectedImageId.get(), frames[4].id);
    // Nothing added and the anchor gone: another selected id takes over.
    state.selectedImageIds = ids({1, 4});
    state.selectedImageIds = ids({1});
    EXPECT_EQ(state.lastSelectedImageId.get(), frames[1].id);
    state.selectedImageIds = std::set<Uuid>{};
    EXPECT_FALSE(state.lastSelectedImageId.get().has_value());
}

TEST_F(SelectionTest, SelectedImagePrefersTheAnchorThenAnySelectedImage)
{
    EXPECT_FALSE(state.selectedImage().has_value());
    state.select(frames[2].id);
    state.toggleSelection(frames[3].id);
    ASSERT_TRUE(state.selectedImage().has_value());
    EXPECT_EQ(state.selectedImage()->id, frames[3].id);

    // An anchor outside the selection is ignored.
    state.lastSelectedImageId = frames[0].id;
    ASSERT_TRUE(state.selectedImage().has_value());
    EXPECT_TRUE(ids({2, 3}).contains(state.selectedImage()->id));

    state.select(Uuid::random());
    EXPECT_FALSE(state.selectedImage().has_value());
}

TEST_F(SelectionTest, EveryInPlaceChangeNotifiesObservers)
{
    int selectionChanges = 0;
    int anchorChanges = 0;
    const auto selectionObservation = state.selectedImageIds.observe([&] { ++selectionChanges; });
    const auto anchorObservation = state.lastSelectedImageId.observe([&] { ++anchorChanges; });
    state.select(frames[0].id);
    state.toggleSelection(frames[1].id);
    EXPECT_EQ(selectionChanges, 2);
    EXPECT_GE(anchorChanges, 2);
}

}  // namespace
}  // namespace tl::testing
