#include "ui/common/ThumbnailCache.h"

#include "UiTestSupport.h"

#include "platform/Image.h"

#include <QImage>
#include <opencv2/core.hpp>

#include <filesystem>
#include <fstream>

namespace tl::ui {
namespace {

class ThumbnailCacheTest : public ::testing::Test {
protected:
    ThumbnailCacheTest()
    {
        QObject::connect(&cache, &ThumbnailCache::thumbnailReady,
            [this](const QString& path) { arrivals.push_back(path.toStdString()); });
    }

    QString picture(const std::string& name, QSize size, QColor colour)
    {
        const auto path = folder.path() / name;
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        image.save(QString::fromStdString(path.string()));
        return QString::fromStdString(path.string());
    }

    QImage waitFor(const QString& path)
    {
        QImage image;
        tl::testing::processEventsUntil([&] {
            image = cache.thumbnail(path);
            return !image.isNull();
        });
        return image;
    }

    tl::testing::TemporaryFolder folder;
    ThumbnailCache cache { 64 };
    std::vector<std::string> arrivals;
};

TEST_F(ThumbnailCacheTest, PicturesAreDecodedOnceAndBounded)
{
    const QString path = picture("wide.png", { 400, 100 }, Qt::red);
    EXPECT_TRUE(cache.thumbnail(path).isNull()) << "decoding happens off the calling thread";
    const QImage first = waitFor(path);
    EXPECT_EQ(first.size(), QSize(64, 16));
    EXPECT_EQ(QColor(first.pixel(5, 5)), QColor(Qt::red));
    cache.thumbnail(path);
    EXPECT_EQ(arrivals.size(), 1u) << "a cached picture is not decoded again";
}

TEST_F(ThumbnailCacheTest, LookupsNeverTouchTheDiskAndARecheckPicksUpEditedAndRemovedFiles)
{
    const QString path = picture("frame.png", { 40, 40 }, Qt::red);
    const QString gone = picture("gone.png", { 40, 40 }, Qt::green);
    EXPECT_EQ(QColor(waitFor(path).pixel(1, 1)), QColor(Qt::red));
    waitFor(gone);
    picture("frame.png", { 30, 20 }, Qt::blue); // another size, so the change shows even within one second
    std::filesystem::remove(gone.toStdString());
    EXPECT_EQ(QColor(cache.thumbnail(path).pixel(1, 1)), QColor(Qt::red)) << "painting does not stat the file";
    EXPECT_FALSE(cache.thumbnail(gone).isNull());

    arrivals.clear();
    cache.recheckFiles();
    tl::testing::processEventsUntil([&] { return arrivals.size() == 2; });
    EXPECT_EQ(QColor(waitFor(path).pixel(1, 1)), QColor(Qt::blue));
    cache.thumbnail(gone);
    cache.waitForIdle();
    QCoreApplication::processEvents();
    EXPECT_TRUE(cache.thumbnail(gone).isNull());
}

// An import has just decoded the file: its picture is used, not the file, and only once.
TEST_F(ThumbnailCacheTest, APictureDecodedMomentsAgoIsScaledOnceInsteadOfReadingTheFile)
{
    const QString path = picture("imported.png", { 200, 100 }, Qt::red);
    cv::Mat green(100, 200, CV_8UC4, cv::Scalar(0, 255, 0, 255));
    const auto decoded = std::make_shared<const Image>(green);
    cache.thumbnail(path, decoded);
    cache.waitForIdle();
    QCoreApplication::processEvents();
    const QImage adopted = cache.thumbnail(path);
    ASSERT_FALSE(adopted.isNull());
    EXPECT_EQ(adopted.size(), QSize(64, 32));
    EXPECT_EQ(QColor(adopted.pixel(5, 5)), QColor(Qt::green)) << "the file was decoded again";

    // Once the file changes, the same picture is not taken again.
    picture("imported.png", { 100, 100 }, Qt::blue);
    arrivals.clear();
    cache.recheckFiles();
    tl::testing::processEventsUntil([&] { return arrivals.size() == 1; });
    cache.thumbnail(path, decoded);
    cache.waitForIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(QColor(cache.thumbnail(path).pixel(5, 5)), QColor(Qt::blue));

    // A picture smaller than the cache's side is no substitute for the file.
    const QString small = picture("small.png", { 200, 100 }, Qt::red);
    cache.thumbnail(small, std::make_shared<const Image>(cv::Mat(10, 20, CV_8UC4, cv::Scalar(0, 255, 0, 255))));
    EXPECT_EQ(QColor(waitFor(small).pixel(5, 5)), QColor(Qt::red));
}

TEST(ThumbnailCacheBudget, TheLeastRecentlyUsedPictureGoesFirstAndTheBytesStayWithinTheBudget)
{
    tl::testing::TemporaryFolder folder;
    const auto draw = [&](const std::string& name) {
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(Qt::gray);
        const auto path = QString::fromStdString((folder.path() / name).string());
        image.save(path);
        return path;
    };
    const QString a = draw("a.png"), b = draw("b.png"), c = draw("c.png");
    const auto load = [](ThumbnailCache& cache, const QString& path) {
        QImage image;
        tl::testing::processEventsUntil([&] {
            image = cache.thumbnail(path);
            return !image.isNull();
        });
        return image.sizeInBytes();
    };
    // Room for two pictures of this size, not three.
    ThumbnailCache probe(64);
    const qint64 one = load(probe, a);
    ThumbnailCache cache(64, 2 * one + one / 2);
    load(cache, a);
    load(cache, b);
    EXPECT_FALSE(cache.thumbnail(a).isNull()); // a is now the most recently used
    load(cache, c);
    EXPECT_LE(cache.bytesHeld(), 2 * one + one / 2);
    EXPECT_FALSE(cache.thumbnail(a).isNull());
    EXPECT_FALSE(cache.thumbnail(c).isNull());
    EXPECT_TRUE(cache.thumbnail(b).isNull()) << "b was given up and is decoded again";
    cache.waitForIdle();
}

TEST_F(ThumbnailCacheTest, FilesThatAreNotPicturesGiveNothing)
{
    const auto notes = folder.path() / "notes.txt";
    std::ofstream(notes) << "text";
    const QString path = QString::fromStdString(notes.string());
    cache.thumbnail(path);
    cache.waitForIdle();
    QCoreApplication::processEvents();
    EXPECT_TRUE(cache.thumbnail(path).isNull());
    cache.waitForIdle();
    QCoreApplication::processEvents();
    EXPECT_TRUE(arrivals.empty());
    EXPECT_TRUE(cache.thumbnail(QString()).isNull());
}

} // namespace
} // namespace tl::ui
