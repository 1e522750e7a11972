#include "ui/library/SelectionSync.h"

#include "ui/common/ThumbnailCache.h"
#include "ui/library/TimelineListModel.h"

#include "UiTestSupport.h"

#include <QMimeData>
#include <QUrl>

namespace tl::ui {
namespace {

using tl::testing::keyImage;

class SelectionSyncTest : public tl::testing::UiStateTest {
protected:
    SelectionSyncTest()
    {
        double h = 6;
        for (const char* name : { "a", "b", "c" })
            state.addImage(keyImage(name, h += 3));
    }

    std::vector<int> selectedRows()
    {
        std::vector<int> rows;
        for (const auto& index : sync.selectionModel().selectedIndexes())
            rows.push_back(index.row());
        std::ranges::sort(rows);
        return rows;
    }

    ThumbnailCache thumbnails;
    TimelineListModel model { state, thumbnails };
    SelectionSync sync { state, model };
};

TEST_F(SelectionSyncTest, TheStoreSelectionShowsInTheSharedSelectionModel)
{
    state.select(state.images.get()[1].id);
    EXPECT_EQ(selectedRows(), (std::vector { 1 }));
    EXPECT_EQ(sync.selectionModel().currentIndex().row(), 1);
    state.toggleSelection(state.images.get()[2].id);
    EXPECT_EQ(selectedRows(), (std::vector { 1, 2 }));

    // A reorder rebuilds the rows; the selection follows the image, not the row.
    state.images.mutate([](std::vector<WallpaperImage>& images) { std::ranges::reverse(images); });
    EXPECT_EQ(selectedRows(), (std::vector { 0, 1 }));
}

TEST_F(SelectionSyncTest, ASelectionMadeInAViewBecomesTheStoreSelection)
{
    auto& selection = sync.selectionModel();
    selection.select(model.index(0), QItemSelectionModel::ClearAndSelect);
    selection.select(model.index(2), QItemSelectionModel::Select);
    EXPECT_EQ(state.selectedImageIds.get(), (std::set<Uuid> { state.images.get()[0].id, state.images.get()[2].id }));
    EXPECT_EQ(state.lastSelectedImageId.get(), state.images.get()[2].id);
}

TEST_F(SelectionSyncTest, DroppedFilesImportAndOwnDragsReorder)
{
    std::vector<std::filesystem::path> requested;
    model.setImportHandler([&](std::vector<std::filesystem::path> files) { requested = std::move(files); });
    QMimeData files;
    files.setUrls({ QUrl::fromLocalFile("/tmp/x.png") });
    files.setText("/tmp/x.png");
    EXPECT_FALSE(model.dropMimeData(&files, Qt::CopyAction, -1, -1, model.index(1)));
    EXPECT_EQ(requested, (std::vector<std::filesystem::path> { "/tmp/x.png" }));

    std::unique_ptr<QMimeData> own(model.mimeData({ model.index(2) }));
    model.dropMimeData(own.get(), Qt::MoveAction, -1, -1, model.index(0));
    EXPECT_EQ(timeline(), (std::vector<std::string> { "c", "a", "b" }));
}

} // namespace
} // namespace tl::ui
