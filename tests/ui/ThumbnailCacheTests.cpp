#include "ui/common/ThumbnailCache.h"

#include "UiTestSupport.h"

#include <QImage>

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

TEST_F(ThumbnailCacheTest, AChangedFileIsDecodedAgain)
{
    const QString path = picture("frame.png", { 40, 40 }, Qt::red);
    EXPECT_EQ(QColor(waitFor(path).pixel(1, 1)), QColor(Qt::red));
    picture("frame.png", { 30, 20 }, Qt::blue); // another size, so the key changes even within one second
    EXPECT_EQ(QColor(waitFor(path).pixel(1, 1)), QColor(Qt::blue));
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
