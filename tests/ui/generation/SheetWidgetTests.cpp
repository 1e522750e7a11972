#include "ui/generation/CreateSheetFixture.h"

#include "support/TestImageFiles.h"
#include "ui/generation/CreateWallpaperSheet.h"
#include "ui/generation/FlowLayout.h"
#include "ui/generation/ImageWell.h"
#include "ui/generation/PhaseArcView.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

namespace tl::ui {
namespace {

using testing::CreateSheetTest;

TEST(ImageWellDrops, FirstLocalFileWinsOverImageData)
{
    testing::TemporaryFolder folder;
    const auto first = folder.path() / "first.png";
    test::writeBytes(first, testing::pngFor("first"));
    test::writeBytes(folder.path() / "second.png", testing::pngFor("second"));

    QMimeData both;
    both.setUrls({ QUrl::fromLocalFile(QString::fromStdString(first.string())),
        QUrl::fromLocalFile(QString::fromStdString((folder.path() / "second.png").string())) });
    both.setImageData(QImage(4, 4, QImage::Format_RGB32));
    const auto dropped = droppedImage(both);
    ASSERT_TRUE(dropped);
    EXPECT_EQ(dropped->data, testing::pngFor("first"));
    EXPECT_EQ(dropped->url, first);

    QMimeData remote;
    remote.setUrls({ QUrl(QStringLiteral("https://example.com/picture.png")) });
    EXPECT_FALSE(droppedImage(remote));

    QMimeData unreadable;
    unreadable.setUrls({ QUrl::fromLocalFile(QString::fromStdString((folder.path() / "gone.png").string())) });
    EXPECT_TRUE(acceptsDrag(unreadable));
    EXPECT_FALSE(droppedImage(unreadable));

    QMimeData picture;
    QImage pixels(4, 4, QImage::Format_RGB32);
    pixels.fill(Qt::red);
    picture.setImageData(pixels);
    const auto pasted = droppedImage(picture);
    ASSERT_TRUE(pasted);
    EXPECT_FALSE(pasted->url);
    EXPECT_FALSE(QImage::fromData(QByteArray::fromStdString(pasted->data)).isNull());
}

TEST(ImageWellView, ClearButtonOnlyWhileHoveringASetImage)
{
    int cleared = 0;
    ImageWell well({ .onPick = {}, .onClear = [&] { ++cleared; }, .onDropData = {} });
    well.resize(360, 240);
    well.show();
    well.setImage(QImage(), true, std::string("a.png"));
    EXPECT_FALSE(well.clearButtonShown());
    auto* button = well.findChild<QPushButton*>();
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text(), "Replace image");
    well.setImage(QImage(), false, std::nullopt);
    EXPECT_EQ(button->text(), "Choose an image");
}

TEST(PhaseArcViewPulse, RunsOnlyWhileAPhaseIsInProgress)
{
    PhaseArcView arc({ "a", "b" });
    arc.setStatus({ { "a", PhaseStatus::inProgress } });
    EXPECT_TRUE(arc.isPulsing());
    arc.setStatus({ { "a", PhaseStatus::completed } });
    EXPECT_FALSE(arc.isPulsing());
}

TEST(FlowLayoutWidget, PlacesChipsInWrappedRows)
{
    QWidget holder;
    auto* layout = new FlowLayout(8, &holder);
    std::vector<QWidget*> chips;
    for (int i = 0; i < 3; ++i) {
        auto* chip = new QPushButton(QStringLiteral("chip"), &holder);
        chip->setFixedSize(60, 20);
        layout->addWidget(chip);
        chips.push_back(chip);
    }
    EXPECT_EQ(layout->heightForWidth(130), 48);
    layout->setGeometry(QRect(0, 0, 130, 48));
    EXPECT_EQ(chips[1]->geometry().topLeft(), QPoint(68, 0));
    EXPECT_EQ(chips[2]->geometry().topLeft(), QPoint(0, 28));
}

TEST_F(CreateSheetTest, EscapeDuringARunCancelsInsteadOfClosing)
{
    server.holdProxy = [](const std::string&) { return true; };
    CreateWallpaperSheet sheet(services(), std::string(create_sheet::defaultModel));
    int finished = 0;
    QObject::connect(&sheet, &QDialog::finished, [&] { ++finished; });
    sheet.show();
    sheet.model().setPrompt("lake");
    sheet.model().startGeneration();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&sheet, &escape);
    sheet.close();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(sheet.model().status().progressMessage, "Cancelling...");
    ASSERT_TRUE(testing::processEventsUntil([&] { return !sheet.model().status().isGenerating; }, 20000));
    sheet.model().waitForWorkers();
    EXPECT_EQ(sheet.model().status().progressMessage, "Cancelled");
    sheet.reject();
    EXPECT_EQ(finished, 1);
}

// Wrapped captions make the form's height depend on its width; a sheet opened too short laid its
// rows over each other, the image well's button over the well.
TEST_F(CreateSheetTest, FormRowsNeverOverlapWhenTheSheetOpens)
{
    CreateWallpaperSheet sheet(services(), std::string(create_sheet::defaultModel));
    sheet.show();
    QCoreApplication::processEvents();
    const auto* well = sheet.findChild<ImageWell*>();
    ASSERT_NE(well, nullptr);
    const auto overlapping = [](const QWidget& parent) {
        std::vector<QRect> shown;
        for (const auto* child : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible() && !child->geometry().isEmpty()) shown.push_back(child->geometry());
        }
        int pairs = 0;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            for (std::size_t j = i + 1; j < shown.size(); ++j)
                pairs += shown[i].intersects(shown[j]) ? 1 : 0;
        }
        return pairs;
    };
    EXPECT_EQ(overlapping(*well), 0);
    EXPECT_EQ(overlapping(*well->parentWidget()), 0);
    EXPECT_GE(sheet.height(), well->parentWidget()->heightForWidth(well->parentWidget()->width()));
}

} // namespace
} // namespace tl::ui
