#include "PackageBuilder.h"

#include "extensions/preview/FrameLoader.h"
#include "extensions/preview/PreviewViewController.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
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

TEST(PreviewFrameLoader, AFileNamedManyTimesIsDecodedOnce)
{
    PackageBuilder package;
    package.frame(QStringLiteral("one.png"), Qt::red).frame(QStringLiteral("two.png"), Qt::blue);
    const QString one = package.path() + QStringLiteral("/images/one.png");
    const QString two = package.path() + QStringLiteral("/images/two.png");
    preview::FrameLoader loader;
    QSignalSpy frames(&loader, &preview::FrameLoader::frameLoaded);
    QSignalSpy finished(&loader, &preview::FrameLoader::finished);
    loader.start({ one, two, one, one, two }, 64);
    ASSERT_TRUE(finished.wait(10000));
    ASSERT_EQ(frames.size(), 5);
    const auto key = [&](int index) { return frames.at(index).at(0).value<QImage>().cacheKey(); };
    EXPECT_EQ(key(0), key(2));
    EXPECT_EQ(key(0), key(3));
    EXPECT_EQ(key(1), key(4));
    EXPECT_NE(key(0), key(1));
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
