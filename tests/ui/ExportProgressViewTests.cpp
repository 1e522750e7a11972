#include "ui/export/ExportProgressView.h"

#include "platform/Image.h"
#include "ui/common/ThumbnailCache.h"

#include "UiTestSupport.h"

#include <QImage>

#include <opencv2/core.hpp>

namespace tl::ui {
namespace {

// The colour at the middle of the strip's only key tile.
QColor tileColour(FrameProgressStrip& strip)
{
    const QImage shot = strip.grab().toImage();
    return shot.pixelColor(shot.width() / 2, shot.height() / 2);
}

TEST(FrameProgressStrip, KeyTilesOfFramesWithAFileComeFromTheThumbnailCacheAndInMemoryOnesFromTheFrame)
{
    tl::testing::TemporaryFolder folder;
    const auto file = folder.path() / "dawn.png";
    QImage red(160, 90, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.save(QString::fromStdString(file.string()));

    ThumbnailCache thumbnails(64);
    FrameProgressStrip strip;
    strip.setThumbnails(thumbnails);
    strip.resize(300, 104);
    // An opened frame carries no picture of its own, only its file.
    strip.setFrames({ { .id = "a", .isKeyFrame = true, .fileName = "dawn.png", .sourcePath = file.string() } });
    EXPECT_TRUE(tl::testing::processEventsUntil([&] { return tileColour(strip).red() > 200; }))
        << "the tile shows the file's picture once the cache has it";

    // A frame made in memory has no file: its own picture is drawn.
    const auto blue = std::make_shared<const Image>(cv::Mat(8, 8, CV_8UC4, cv::Scalar(255, 0, 0, 255)));
    strip.setFrames({ { .id = "b", .isKeyFrame = true, .fileName = "made.png", .thumbnail = blue } });
    const QColor colour = tileColour(strip);
    EXPECT_GT(colour.blue(), 200);
    EXPECT_LT(colour.red(), 60);
}

} // namespace
} // namespace tl::ui
