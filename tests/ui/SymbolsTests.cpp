#include "ui/common/Symbols.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace tl::ui {
namespace {

int paintedPixels(const QString& name)
{
    QImage canvas(48, 48, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    drawSymbol(painter, name, QRectF(0, 0, 48, 48), Qt::black);
    painter.end();
    int painted = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x)
            painted += qAlpha(canvas.pixel(x, y)) > 0;
    }
    return painted;
}

TEST(Symbols, EveryNameTheViewsUseDrawsAGlyph)
{
    const QStringList used { "plus", "sparkles", "wand.and.stars", "folder", "folder.fill", "internaldrive",
        "arrow.up.doc", "square.grid.2x2", "list.bullet", "photo", "sidebar.right", "backward.end.fill", "play.fill",
        "pause.fill", "forward.end.fill", "checkmark", "checkmark.circle.fill", "exclamationmark.triangle",
        "exclamationmark.triangle.fill", "arrow.left.and.right", "photo.on.rectangle.angled", "tray.and.arrow.down",
        "plus.circle", "cursorarrow", "sun.max", "moon.stars", "gear", "arrow.down.circle", "wrench.and.screwdriver",
        "photo.on.rectangle", "xmark.circle.fill" };
    for (const auto& name : used) {
        EXPECT_TRUE(hasSymbol(name)) << name.toStdString();
        EXPECT_GT(paintedPixels(name), 20) << name.toStdString();
    }
    EXPECT_EQ(paintedPixels("no.such.symbol"), 0);
}

TEST(Symbols, FilledAndOutlinedVariantsDiffer)
{
    EXPECT_GT(paintedPixels("folder.fill"), paintedPixels("folder"));
    EXPECT_GT(paintedPixels("exclamationmark.triangle.fill"), paintedPixels("exclamationmark.triangle"));
}

} // namespace
} // namespace tl::ui
