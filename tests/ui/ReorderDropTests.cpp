#include "UiTestSupport.h"

#include "ui/common/ThumbnailCache.h"
#include "ui/library/ImageReorderDrop.h"
#include "ui/library/LibraryDrop.h"
#include "ui/library/TimelineListModel.h"

#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

namespace tl::testing {
namespace {

class ReorderDropTest : public AppStateTest {
protected:
    ReorderDropTest()
    {
        state.mode = WallpaperMode::appearance; // no ordering by hour after a move
        state.setImages({ a, tweenOf(a, "a1.png"), tweenOf(a, "a2.png"), b, c }, std::nullopt, false);
        endEvent();
    }

    const WallpaperImage& at(std::size_t index) const { return state.images.get()[index]; }

    WallpaperImage a = keyImage("a.png");
    WallpaperImage b = keyImage("b.png");
    WallpaperImage c = keyImage("c.png");
    Observable<std::optional<Uuid>> marker;
    ui::ImageReorderDrop rules { state, marker };
};

TEST_F(ReorderDropTest, AKeyDroppedOnAKeyMovesWithItsTweensAsOneStep)
{
    std::unique_ptr<QMimeData> drag(ui::makeLibraryDragData(a.id));
    rules.entered(c);
    EXPECT_TRUE(rules.perform(c, *drag));
    EXPECT_EQ(timeline(), (std::vector<std::string> { "b.png", "a.png", "a1.png", "a2.png", "c.png" }));
    EXPECT_EQ(undo->undoActionName(), "Reorder Images");
    EXPECT_FALSE(marker.get().has_value());
}

TEST_F(ReorderDropTest, TweensNeitherTakeTheMarkerNorAcceptADrop)
{
    std::unique_ptr<QMimeData> drag(ui::makeLibraryDragData(b.id));
    const WallpaperImage tween = at(1);
    EXPECT_FALSE(ui::ImageReorderDrop::validate(tween, *drag));
    rules.entered(tween);
    EXPECT_FALSE(marker.get().has_value());
    EXPECT_FALSE(rules.perform(tween, *drag));
    EXPECT_EQ(timeline(), (std::vector<std::string> { "a.png", "a1.png", "a2.png", "b.png", "c.png" }));
}

TEST_F(ReorderDropTest, LeavingAnItemClearsTheMarkerOnlyWhileItStillNamesThatItem)
{
    rules.entered(b);
    rules.entered(c);
    rules.exited(b); // the exit of the first item arrives after the entry of the next
    EXPECT_EQ(marker.get(), c.id);
    rules.exited(c);
    EXPECT_FALSE(marker.get().has_value());
}

TEST_F(ReorderDropTest, PayloadsThatNameNoImageOfOursMoveNothing)
{
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    EXPECT_FALSE(ui::ImageReorderDrop::validate(b, text));
    EXPECT_FALSE(rules.perform(b, text));

    QMimeData bad;
    bad.setData(QString::fromLatin1(ui::libraryImageMimeType), "not-a-uuid");
    rules.entered(b);
    EXPECT_TRUE(rules.perform(b, bad));
    EXPECT_FALSE(marker.get().has_value());

    std::unique_ptr<QMimeData> unknown(ui::makeLibraryDragData(Uuid::random()));
    EXPECT_TRUE(rules.perform(b, *unknown));
    std::unique_ptr<QMimeData> self(ui::makeLibraryDragData(b.id));
    EXPECT_TRUE(rules.perform(b, *self));
    EXPECT_EQ(timeline(), (std::vector<std::string> { "a.png", "a1.png", "a2.png", "b.png", "c.png" }));
}

TEST_F(ReorderDropTest, TheModelRefusesReorderDropsOnTweensButImportsFilesAnywhere)
{
    ui::ThumbnailCache thumbnails(64);
    ui::TimelineListModel model(state, thumbnails);
    std::vector<std::filesystem::path> imported;
    model.setImportHandler([&](std::vector<std::filesystem::path> files) { imported = std::move(files); });
    std::unique_ptr<QMimeData> drag(ui::makeLibraryDragData(b.id));
    EXPECT_FALSE(model.canDropMimeData(drag.get(), Qt::MoveAction, -1, 0, model.index(1)));
    EXPECT_TRUE(model.canDropMimeData(drag.get(), Qt::MoveAction, -1, 0, model.index(0)));
    EXPECT_FALSE(model.canDropMimeData(drag.get(), Qt::MoveAction, -1, 0, {}));

    QMimeData files;
    files.setUrls({ QUrl::fromLocalFile(QStringLiteral("/tmp/x.png")) });
    EXPECT_TRUE(model.canDropMimeData(&files, Qt::CopyAction, -1, 0, model.index(1)));
    EXPECT_TRUE(model.handleDrop(files, b.id));
    EXPECT_EQ(imported, (std::vector<std::filesystem::path> { "/tmp/x.png" }));
    EXPECT_EQ(timeline(), (std::vector<std::string> { "a.png", "a1.png", "a2.png", "b.png", "c.png" }));
}

} // namespace
} // namespace tl::testing
