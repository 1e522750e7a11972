#include "ui/library/TimelineListModel.h"

#include "ui/common/ThumbnailCache.h"

#include "UiTestSupport.h"

#include <opencv2/core.hpp>

namespace tl::ui {
namespace {

using tl::testing::keyImage;

std::shared_ptr<const Image> solid(int width, int height, const cv::Scalar& bgra)
{
    return std::make_shared<const Image>(cv::Mat(height, width, CV_8UC4, bgra));
}

class TimelineListModelTest : public tl::testing::UiStateTest {
protected:
    ThumbnailCache thumbnails;
    TimelineListModel model { state, thumbnails };
};

// Frames without a file (generated tweens) show the picture they hold: converted once,
// kept while edits share it, and replaced when the frame gets a new picture.
TEST_F(TimelineListModelTest, PicturesHeldInMemoryAreConvertedOncePerPicture)
{
    auto frame = keyImage("tween.png");
    frame.thumbnail = solid(640, 360, { 255, 0, 0, 255 });
    state.addImage(frame);

    const QImage first = model.thumbnail(0);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.size(), QSize(320, 180));
    EXPECT_EQ(first.pixelColor(10, 10), QColor(Qt::blue));

    frame.altitude = 12.0;
    state.updateImage(frame);
    EXPECT_EQ(model.thumbnail(0).cacheKey(), first.cacheKey());

    frame.thumbnail = solid(100, 100, { 0, 255, 0, 255 });
    state.updateImage(frame);
    const QImage replaced = model.thumbnail(0);
    EXPECT_EQ(replaced.size(), QSize(320, 320));
    EXPECT_EQ(replaced.pixelColor(10, 10), QColor(Qt::green));

    auto other = keyImage("other.png");
    other.thumbnail = frame.thumbnail;
    state.addImage(other);
    const auto row = model.rowOf(other.id);
    ASSERT_TRUE(row);
    EXPECT_EQ(model.thumbnail(*row).cacheKey(), replaced.cacheKey());
}

} // namespace
} // namespace tl::ui
