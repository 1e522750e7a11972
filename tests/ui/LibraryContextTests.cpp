#include "generation/GenerationServices.h"
#include "support/UnreachableTransport.h"
#include "ui/library/ImagesLibraryView.h"
#include "ui/library/LibraryContext.h"
#include "ui/library/TimelineListModel.h"

#include "UiTestSupport.h"

#include <QItemSelectionModel>
#include <QListView>

namespace tl::ui {
namespace {

class LibraryContextTest : public tl::testing::UiStateTest {
protected:
    LibraryContextTest() { state.images.set({ testing::keyImage("a.png", 6), testing::keyImage("b.png", 18) }); }

    tl::testing::UnreachableTransport transport;
    FixedEnvironment environment;
    GenerationServices generation { transport, defaults, environment };
    QWidget window;
    LibraryContext context { state, ui, window, generation };
};

TEST_F(LibraryContextTest, PanesOverOneContextShareOneModelAndOneSelection)
{
    ImagesLibraryView first(
        context, [] {}, [] {});
    ImagesLibraryView second(
        context, [] {}, [] {});
    EXPECT_EQ(&first.model(), &second.model());
    EXPECT_EQ(first.gridView().selectionModel(), &context.selectionModel());
    EXPECT_EQ(second.listView().selectionModel(), &context.selectionModel());

    state.select(state.images.get()[1].id);
    const QModelIndexList selected = context.selectionModel().selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front().row(), 1);
}

TEST_F(LibraryContextTest, ALibraryTornDownWhilePlayingEndsPlaybackWithoutTouchingWhatIsGone)
{
    auto library = std::make_unique<ImagesLibraryView>(
        context, [] {}, [] {});
    ui.isTimelinePlaying = true;
    // Under the address sanitizer this fails if the strip's playback outlives the view model
    // whose preview hour it writes on the way out.
    library.reset();
    EXPECT_FALSE(ui.isTimelinePlaying.get());
}

} // namespace
} // namespace tl::ui
