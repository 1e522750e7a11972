#include "ui/generation/CreateSheetFixture.h"

#include "support/TestImageFiles.h"
#include "ui/generation/CreateWallpaperSheet.h"
#include "ui/generation/FlowLayout.h"
#include "ui/generation/ImageWell.h"
#include "ui/generation/PhaseArcView.h"
#include "ui/generation/ProgressCard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

namespace tl::ui {
namespace {

using testing::CreateSheetTest;

// Relative luminance and contrast ratio of the usual text-contrast measure.
double luminance(const QColor& colour)
{
    const auto channel
        = [](float value) { return value <= 0.03928f ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor over(const QColor& top, const QColor& bottom)
{
    const auto mix = [&](float t, float b) { return t * top.alphaF() + b * (1 - top.alphaF()); };
    return QColor::fromRgbF(
        mix(top.redF(), bottom.redF()), mix(top.greenF(), bottom.greenF()), mix(top.blueF(), bottom.blueF()));
}

// The label's text colour laid over what the sheet really paints beside the text, at `at` in
// the label.
double textContrast(QWidget& sheet, const QLabel& label, QPoint at)
{
    const QImage shot = sheet.grab().toImage();
    const QColor behind = shot.pixelColor(label.mapTo(&sheet, at) * shot.devicePixelRatio());
    return contrast(over(label.palette().color(label.foregroundRole()), behind), behind);
}

// The card the sheet shows now, over the preview or below it; none when it shows neither.
ProgressCard* shownCard(QWidget& sheet)
{
    for (auto* card : sheet.findChildren<ProgressCard*>()) {
        if (card->isVisible()) return card;
    }
    return nullptr;
}

QLabel* labelReading(QWidget& card, const QString& text)
{
    for (auto* label : card.findChildren<QLabel*>()) {
        if (label->isVisible() && label->text() == text) return label;
    }
    return nullptr;
}

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
    ASSERT_TRUE(testing::processEventsUntil([&] { return !sheet.model().status().isGenerating; }));
    sheet.model().waitForWorkers();
    EXPECT_EQ(sheet.model().status().progressMessage, "Cancelled");
    sheet.reject();
    EXPECT_EQ(finished, 1);
}

// A reopened sheet remembers the starting image's name but not its picture: a name beside an empty
// well would promise a relit picture where a new scene is generated.
TEST_F(CreateSheetTest, AStartingImageNameShowsOnlyWithItsPicture)
{
    state.lastMagicStartingImageFileName = std::string("Dune.jpg");
    CreateWallpaperSheet sheet(services(), std::string(create_sheet::defaultModel));
    sheet.model().setMode(create_sheet::GenerationMode::relight);
    sheet.show();
    QCoreApplication::processEvents();
    const auto nameShown = [&] {
        const auto labels = sheet.findChildren<QLabel*>();
        return std::ranges::any_of(
            labels, [](const QLabel* label) { return label->isVisible() && label->text() == "Dune.jpg"; });
    };
    EXPECT_FALSE(nameShown());

    sheet.model().acceptDroppedImage(testing::pngFor("dune"), std::filesystem::path("/pictures/Dune.jpg"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(nameShown());
    sheet.model().clearStartingImage();
    QCoreApplication::processEvents();
    EXPECT_FALSE(nameShown());
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

// The card's texts were the palette's muted grey on a near-black plate; and the card showed only
// while a run went, so a run's end ("Cancelled", "Failed") was set but never seen.
TEST_F(CreateSheetTest, TheCardIsReadableInBothPalettesAndKeepsARunsEndUntilTheNextStart)
{
    const QPalette original = QApplication::palette();
    for (const auto& palette : { QPalette(QColor(239, 239, 239)), QPalette(QColor(60, 60, 60), QColor(36, 36, 36)) }) {
        QApplication::setPalette(palette);
        server.holdProxy = [](const std::string&) { return true; };
        CreateWallpaperSheet sheet(services(), std::string(create_sheet::defaultModel));
        sheet.show();
        sheet.model().setPrompt("lake");
        sheet.model().startGeneration();
        ASSERT_TRUE(testing::processEventsUntil([&] { return sheet.model().currentPhaseLabel().has_value(); }));
        QCoreApplication::processEvents();
        auto* card = shownCard(sheet);
        ASSERT_TRUE(card);
        auto* phase = labelReading(*card, QStringLiteral("Night"));
        auto* message = labelReading(*card, QString::fromStdString(sheet.model().status().progressMessage));
        ASSERT_TRUE(phase && message);
        EXPECT_GE(textContrast(sheet, *phase, { 3, phase->height() / 2 }), 4.5);
        EXPECT_GE(phase->width(), phase->sizeHint().width());
        EXPECT_GE(textContrast(sheet, *message, { -6, message->height() / 2 }), 4.5);

        sheet.model().cancelOrClose();
        ASSERT_TRUE(testing::processEventsUntil([&] { return !sheet.model().status().isGenerating; }));
        sheet.model().waitForWorkers();
        QCoreApplication::processEvents();
        card = shownCard(sheet);
        ASSERT_TRUE(card);
        message = labelReading(*card, QStringLiteral("Cancelled"));
        ASSERT_TRUE(message);
        EXPECT_FALSE(labelReading(*card, QStringLiteral("Night")));
        EXPECT_GE(textContrast(sheet, *message, { -6, message->height() / 2 }), 4.5);

        server.holdProxy = {};
        server.proxyResponder = [](const nlohmann::json&, httplib::Response& reply) { reply.status = 500; };
        sheet.model().startGeneration();
        ASSERT_TRUE(shownCard(sheet));
        EXPECT_TRUE(labelReading(*shownCard(sheet), QStringLiteral("Preparing...")));
        ASSERT_TRUE(testing::processEventsUntil([&] { return !sheet.model().status().isGenerating; }));
        sheet.model().waitForWorkers();
        QCoreApplication::processEvents();
        auto* alert = sheet.findChild<QMessageBox*>();
        ASSERT_TRUE(alert && alert->isVisible());
        ASSERT_TRUE(shownCard(sheet));
        EXPECT_TRUE(labelReading(*shownCard(sheet), QStringLiteral("Failed")));
        alert->reject();
        QCoreApplication::processEvents();
        ASSERT_TRUE(shownCard(sheet));
        EXPECT_TRUE(labelReading(*shownCard(sheet), QStringLiteral("Failed")));
        server.proxyResponder = {};
    }
    QApplication::setPalette(original);
}

} // namespace
} // namespace tl::ui
