#include "PackageBuilder.h"
#include "support/PeakMemory.h"

#include "extensions/preview/PreviewViewController.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

namespace tl::testing {
namespace {

using preview::PreviewViewController;

// Shows the package and waits until every frame that decodes has arrived.
void showLoaded(PreviewViewController& preview, const QString& packagePath)
{
    QSignalSpy loaded(&preview, &PreviewViewController::framesLoaded);
    preview.preparePreviewOfFile(packagePath);
    ASSERT_TRUE(loaded.wait(10000));
}

QString redThenGreen(PackageBuilder& package)
{
    package.recordOfFrames({ QStringLiteral("a.png"), QStringLiteral("b.png") })
        .frame(QStringLiteral("a.png"), Qt::red)
        .frame(QStringLiteral("b.png"), Qt::green);
    return package.path();
}

TEST(PreviewWindow, MissingFramesAreCountedButLeftOutOfTheSlideshow)
{
    PackageBuilder package(QStringLiteral("Lake.vorrind"));
    package.recordOfFrames({ QStringLiteral("a.png"), QStringLiteral("gone.png"), QStringLiteral("c.png") })
        .frame(QStringLiteral("a.png"), Qt::red)
        .frame(QStringLiteral("c.png"), Qt::blue);
    PreviewViewController preview;
    showLoaded(preview, package.path());

    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Lake.vorrind"));
    EXPECT_EQ(preview.title(), QStringLiteral("Lake.vorrind"));
    EXPECT_EQ(preview.detail(), QStringLiteral("Version: 1.0\nMode: time\nImages: 3"));
    EXPECT_EQ(preview.frameCount(), 2);
    EXPECT_TRUE(preview.isSlideShowRunning());
}

TEST(PreviewWindow, AFileNamedManyTimesIsDecodedOnce)
{
    PackageBuilder package;
    package
        .recordOfFrames({ QStringLiteral("one.png"), QStringLiteral("two.png"), QStringLiteral("one.png"),
            QStringLiteral("one.png"), QStringLiteral("two.png") })
        .frame(QStringLiteral("one.png"), Qt::red)
        .frame(QStringLiteral("two.png"), Qt::blue);
    PreviewViewController preview;
    showLoaded(preview, package.path());
    QList<qint64> keys;
    for (int step = 0; step < 5; ++step) {
        keys << preview.shownFrame().cacheKey();
        preview.advanceSlide();
    }
    EXPECT_EQ(keys[0], keys[2]);
    EXPECT_EQ(keys[0], keys[3]);
    EXPECT_EQ(keys[1], keys[4]);
    EXPECT_NE(keys[0], keys[1]);
}

TEST(PreviewWindow, AFirstFrameThatDoesNotDecodeIsPassedOver)
{
    PackageBuilder package;
    package.recordOfFrames({ QStringLiteral("gone.png"), QStringLiteral("a.png") })
        .frame(QStringLiteral("a.png"), Qt::green);
    PreviewViewController preview;
    showLoaded(preview, package.path());
    EXPECT_EQ(preview.frameCount(), 1);
    EXPECT_EQ(preview.shownFrame().pixelColor(0, 0), QColor(Qt::green));
    EXPECT_FALSE(preview.isSlideShowRunning());
}

// Distinct files, each decoded again as the show comes round to it: memory stays that of a few
// frames at the window's size however long the timeline is.
TEST(PreviewWindow, ALongTimelineHoldsOnlyAFewFramesAroundTheOneShown)
{
    constexpr int frameTotal = 100;
    PackageBuilder package;
    QStringList names;
    for (int index = 0; index < frameTotal; ++index)
        names << QStringLiteral("frame-%1.png").arg(index);
    package.recordOfFrames(names).frame(names[0], QColor(30, 90, 200), { 1600, 1200 });
    const QString images = package.path() + QStringLiteral("/images/");
    for (int index = 1; index < frameTotal; ++index)
        ASSERT_TRUE(QFile::copy(images + names[0], images + names[index]));

    const std::int64_t before = test::peakResidentBytes();
    PreviewViewController preview;
    QSignalSpy loaded(&preview, &PreviewViewController::framesLoaded);
    preview.preparePreviewOfFile(package.path());
    ASSERT_TRUE(loaded.wait(120000));
    // Far enough round the timeline that every frame of the first window has been let go.
    constexpr int played = 30;
    QSet<int> shown { preview.shownFrameIndex() };
    qsizetype mostHeld = 0;
    QElapsedTimer waited;
    waited.start();
    while (shown.size() < played && waited.elapsed() < 120000) {
        preview.advanceSlide();
        shown << preview.shownFrameIndex();
        mostHeld = std::max(mostHeld, preview.heldFrameCount());
        QTest::qWait(1);
    }
    EXPECT_EQ(shown.size(), played);
    EXPECT_EQ(preview.frameCount(), frameTotal);
    EXPECT_LE(mostHeld, 8);
    EXPECT_LE(std::max(preview.shownFrame().width(), preview.shownFrame().height()), 800);
    // Every frame held at 1600 x 1200 would be 770 MB.
    const std::int64_t growth = test::peakResidentBytes() - before;
    EXPECT_LT(growth, std::int64_t { 300 } << 20) << (growth >> 20) << " MB";
}

TEST(PreviewWindow, SlideshowWrapsFromTheLastFrameToTheFirst)
{
    PackageBuilder package;
    PreviewViewController preview;
    showLoaded(preview, redThenGreen(package));

    const QColor expected[] = { Qt::red, Qt::green, Qt::red };
    for (int step = 0; step < 3; ++step) {
        EXPECT_EQ(preview.shownFrameIndex(), step % 2);
        EXPECT_EQ(preview.shownFrame().pixelColor(0, 0), expected[step]);
        preview.advanceSlide();
    }
}

TEST(PreviewWindow, TimerAdvancesTheSlideshow)
{
    PackageBuilder package;
    PreviewViewController preview;
    showLoaded(preview, redThenGreen(package));
    QElapsedTimer waited;
    waited.start();
    while (preview.shownFrameIndex() == 0 && waited.elapsed() < 2000)
        QTest::qWait(10);
    EXPECT_EQ(preview.shownFrame().pixelColor(0, 0), QColor(Qt::green));
}

TEST(PreviewWindow, OneFrameIsShownStill)
{
    PackageBuilder package;
    package.recordOfFrames({ QStringLiteral("a.png") }).frame(QStringLiteral("a.png"), Qt::red);
    PreviewViewController preview;
    showLoaded(preview, package.path());
    EXPECT_EQ(preview.frameCount(), 1);
    EXPECT_EQ(preview.shownFrame().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_FALSE(preview.isSlideShowRunning());
}

TEST(PreviewWindow, UnreadableRecordShowsTheMessageAndNoFrame)
{
    PackageBuilder package;
    package.record(R"({"version":3,"images":[{"fileName":"a.png"}]})").frame(QStringLiteral("a.png"), Qt::red);
    PreviewViewController preview;
    showLoaded(preview, package.path() + u'/');
    EXPECT_EQ(preview.title(), QStringLiteral("Dunes.vorrind"));
    EXPECT_EQ(preview.detail(), QStringLiteral("Missing or invalid project.json"));
    EXPECT_EQ(preview.frameCount(), 0);
    EXPECT_TRUE(preview.shownFrame().isNull());
}

TEST(PreviewWindow, FramesOutsideTheImagesFolderAreSkipped)
{
    PackageBuilder package;
    package.recordOfFrames({ QStringLiteral("../cover.png"), QStringLiteral("link.png"), QStringLiteral("a.png") })
        .frame(QStringLiteral("a.png"), Qt::green)
        .symlink(QStringLiteral("images/link.png"), package.outside() + QStringLiteral("/outside.png"));
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    picture.save(package.path() + QStringLiteral("/cover.png"));
    picture.save(package.outside() + QStringLiteral("/outside.png"));
    PreviewViewController preview;
    showLoaded(preview, package.path());
    EXPECT_EQ(preview.detail(), QStringLiteral("Version: 1.0\nMode: time\nImages: 3"));
    EXPECT_EQ(preview.frameCount(), 1);
    EXPECT_EQ(preview.shownFrame().pixelColor(0, 0), QColor(Qt::green));
}

TEST(PreviewProgram, WrongCallIsAUsageError)
{
    QProcess process;
    process.start(QStringLiteral(TIDELUMINE_QUICKLOOK), { QStringLiteral("a"), QStringLiteral("b") });
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 64);
    EXPECT_TRUE(process.readAllStandardError().startsWith("usage: tidelumine-quicklook PACKAGE"));
}

} // namespace
} // namespace tl::testing

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Windows here need no display, even when the test is run by hand.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
