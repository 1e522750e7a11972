#include "ui/generation/PanelPainting.h"

#include <gtest/gtest.h>

namespace tl::ui {
namespace {

TEST(PanelPainting, FittedRectKeepsTheAspectAndCentresInTheRoom)
{
    struct Case {
        QSizeF picture;
        QRectF room;
        QRectF expected;
    };
    const Case cases[] = {
        { { 640, 360 }, { 10, 10, 320, 320 }, { 10, 80, 320, 180 } }, // wide: full width, centred vertically
        { { 300, 600 }, { 0, 0, 400, 200 }, { 150, 0, 100, 200 } }, // tall: full height, centred across
        { { 10, 10 }, { 5, 5, 90, 90 }, { 5, 5, 90, 90 } }, // small pictures grow to fill
        { { 200, 100 }, { 0, 0, 200, 100 }, { 0, 0, 200, 100 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(fittedRect(c.picture, c.room), c.expected) << c.picture.width() << 'x' << c.picture.height();
}

TEST(PanelPainting, BoundsSitHalfAPixelInside)
{
    EXPECT_EQ(panelBounds(QRect(0, 0, 100, 40)), QRectF(0.5, 0.5, 99, 39));
}

} // namespace
} // namespace tl::ui
