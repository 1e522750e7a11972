#include "PackageBuilder.h"

#include "extensions/common/FrameDecoder.h"

#include <gtest/gtest.h>

#include <QImageWriter>

namespace tl::testing {
namespace {

using extension::decodeFrame;

class FrameDecoderTest : public ::testing::Test {
protected:
    PackageBuilder package;
    QString image(const QString& name) const { return package.path() + QStringLiteral("/images/") + name; }
};

TEST_F(FrameDecoderTest, LongSideBecomesTheBoundAndNothingGrows)
{
    struct Case {
        QSize source;
        int longSide;
        QSize fitted;
    };
    const Case cases[] = {
        { { 400, 200 }, 128, { 128, 64 } },
        { { 200, 400 }, 128, { 64, 128 } },
        { { 100, 50 }, 256, { 100, 50 } },
        { { 256, 256 }, 256, { 256, 256 } },
        { { 5000, 3 }, 100, { 100, 1 } },
    };
    for (const Case& c : cases) {
        package.frame(QStringLiteral("frame.png"), QColor(20, 140, 220), c.source);
        EXPECT_EQ(decodeFrame(image(QStringLiteral("frame.png")), c.longSide).size(), c.fitted)
            << c.source.width() << "x" << c.source.height();
    }
}

TEST_F(FrameDecoderTest, DecodesScaledDownWithColoursKept)
{
    package.frame(QStringLiteral("wide.png"), QColor(20, 140, 220), { 600, 300 });
    const QImage frame = decodeFrame(image(QStringLiteral("wide.png")), 120);
    EXPECT_EQ(frame.size(), QSize(120, 60));
    EXPECT_EQ(frame.pixelColor(60, 30), QColor(20, 140, 220));
}

TEST_F(FrameDecoderTest, FormatIsTakenFromTheContentNotTheName)
{
    QImage jpeg(80, 40, QImage::Format_RGB32);
    jpeg.fill(Qt::white);
    ASSERT_TRUE(jpeg.save(image(QStringLiteral("really-a-jpeg.png")), "jpg"));
    EXPECT_EQ(decodeFrame(image(QStringLiteral("really-a-jpeg.png")), 2048).size(), QSize(80, 40));
    package.file(QStringLiteral("images/broken.png"), "not an image at all");
    EXPECT_TRUE(decodeFrame(image(QStringLiteral("broken.png")), 2048).isNull());
}

TEST_F(FrameDecoderTest, HeicFramesDecodeThroughLibheif)
{
    if (!package.heicFrame(QStringLiteral("frame.heic"), QColor(200, 40, 40), { 320, 160 }))
        GTEST_SKIP() << "no HEVC encoder to make a HEIC frame";
    const QImage frame = decodeFrame(image(QStringLiteral("frame.heic")), 64);
    ASSERT_EQ(frame.size(), QSize(64, 32));
    const QColor centre = frame.pixelColor(32, 16);
    EXPECT_NEAR(centre.red(), 200, 12);
    EXPECT_NEAR(centre.green(), 40, 12);
    EXPECT_NEAR(centre.blue(), 40, 12);
}

TEST_F(FrameDecoderTest, PicturesBeyondTheLargestCanvasAreRefusedByTheirHeader)
{
    QImage strip(40000, 2, QImage::Format_Grayscale8);
    strip.fill(90);
    ASSERT_TRUE(strip.save(image(QStringLiteral("strip.png")), "png"));
    EXPECT_TRUE(decodeFrame(image(QStringLiteral("strip.png")), 256).isNull());
}

// Above Qt's default allocation limit when decoded; scaled decoding must still get it.
TEST_F(FrameDecoderTest, EightKSixteenBitPngLoads)
{
    QImage deep(7680, 4320, QImage::Format_RGBA64);
    deep.fill(QColor(10, 200, 30));
    QImageWriter writer(image(QStringLiteral("8k.png")), "png");
    writer.setCompression(1);
    ASSERT_TRUE(writer.write(deep));
    deep = {};
    const QImage frame = decodeFrame(image(QStringLiteral("8k.png")), 256);
    ASSERT_EQ(frame.size(), QSize(256, 144));
    EXPECT_EQ(frame.depth(), 32);
    EXPECT_EQ(frame.pixelColor(128, 72), QColor(10, 200, 30));
}

} // namespace
} // namespace tl::testing
