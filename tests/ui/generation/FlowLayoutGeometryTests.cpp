#include "ui/generation/FlowLayoutGeometry.h"

#include <gtest/gtest.h>

namespace tl::ui::flow {
namespace {

TEST(FlowLayoutGeometry, RowsBreakOnlyWhenAnItemWouldPassTheWidth)
{
    // 40 + 8 + 52 = 100 fills the row exactly and stays; the next item wraps.
    const auto result = layoutFrames({ { 40, 10 }, { 52, 14 }, { 30, 12 }, { 30, 6 } }, 100, 8);
    ASSERT_EQ(result.frames.size(), 4u);
    EXPECT_EQ(result.frames[0], QRectF(0, 0, 40, 10));
    EXPECT_EQ(result.frames[1], QRectF(48, 0, 52, 14));
    EXPECT_EQ(result.frames[2], QRectF(0, 22, 30, 12)); // row height 14 + spacing 8
    EXPECT_EQ(result.frames[3], QRectF(38, 22, 30, 6));
    EXPECT_EQ(result.total, QSizeF(100, 34));
}

TEST(FlowLayoutGeometry, WideItemsSitAloneAndOverflow)
{
    const auto result = layoutFrames({ { 150, 10 }, { 20, 10 } }, 100, 8);
    EXPECT_EQ(result.frames[0], QRectF(0, 0, 150, 10));
    EXPECT_EQ(result.frames[1], QRectF(0, 18, 20, 10));
    EXPECT_EQ(result.total, QSizeF(100, 28));
}

TEST(FlowLayoutGeometry, EmptyAndUnspecifiedWidths)
{
    EXPECT_EQ(layoutFrames({}, 240, 8).total, QSizeF(240, 0));
    EXPECT_DOUBLE_EQ(maxWidthFor(std::nullopt), 10);
    EXPECT_DOUBLE_EQ(maxWidthFor(333), 333);
    // At the unspecified width every chip wider than 10 gets a row of its own.
    const auto stacked = layoutFrames({ { 30, 10 }, { 30, 10 }, { 30, 10 } }, maxWidthFor(std::nullopt), 8);
    EXPECT_EQ(stacked.frames[2].topLeft(), QPointF(0, 36));
    EXPECT_EQ(stacked.total, QSizeF(10, 46));
}

} // namespace
} // namespace tl::ui::flow
