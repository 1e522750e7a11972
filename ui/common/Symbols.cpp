#include "ui/common/Symbols.h"

#include "ui/common/PaintedIcon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <functional>
#include <map>

namespace tl::ui {
namespace {

// Every glyph is drawn on a 24 × 24 grid; the painter is scaled to the target rectangle.
using Glyph = std::function<void(QPainter&, const QColor&)>;

QPen strokePen(const QColor& color, double width = 2.0)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void stroke(QPainter& p, const QColor& color, double width = 2.0)
{
    p.setPen(strokePen(color, width));
    p.setBrush(Qt::NoBrush);
}

void fill(QPainter& p, const QColor& color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
}

// A head of two strokes at `tip`, opening back towards `from`.
void arrowHead(QPainter& p, QPointF from, QPointF tip, double length)
{
    const QLineF shaft(tip, from);
    for (const double turn : { -45.0, 45.0 }) {
        QLineF side = shaft;
        side.setLength(length);
        side.setAngle(shaft.angle() + turn);
        p.drawLine(side);
    }
}

void arrow(QPainter& p, QPointF from, QPointF tip, double headLength)
{
    p.drawLine(from, tip);
    arrowHead(p, from, tip, headLength);
}

void plus(QPainter& p, const QColor& c)
{
    stroke(p, c, 2.2);
    p.drawLine(QPointF(12, 4), QPointF(12, 20));
    p.drawLine(QPointF(4, 12), QPointF(20, 12));
}

void plusCircle(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.8);
    p.drawEllipse(QPointF(12, 12), 9, 9);
    p.drawLine(QPointF(12, 7.5), QPointF(12, 16.5));
    p.drawLine(QPointF(7.5, 12), QPointF(16.5, 12));
}

void sparkle(QPainter& p, QPointF centre, double radius)
{
    QPainterPath path;
    const double waist = radius * 0.22;
    path.moveTo(centre.x(), centre.y() - radius);
    path.quadTo(centre.x() + waist, centre.y() - waist, centre.x() + radius, centre.y());
    path.quadTo(centre.x() + waist, centre.y() + waist, centre.x(), centre.y() + radius);
    path.quadTo(centre.x() - waist, centre.y() + waist, centre.x() - radius, centre.y());
    path.quadTo(centre.x() - waist, centre.y() - waist, centre.x(), centre.y() - radius);
    p.drawPath(path);
}

void sparkles(QPainter& p, const QColor& c)
{
    fill(p, c);
    sparkle(p, { 10, 13 }, 8);
    sparkle(p, { 18.5, 5.5 }, 4);
    sparkle(p, { 19, 18 }, 3);
}

void wandAndStars(QPainter& p, const QColor& c)
{
    stroke(p, c, 2.4);
    p.drawLine(QPointF(4, 20), QPointF(15, 9));
    fill(p, c);
    sparkle(p, { 17.5, 6.5 }, 4.5);
    sparkle(p, { 8, 5 }, 2.8);
    sparkle(p, { 19.5, 16 }, 2.8);
}

// Down the left side to a rounded bottom edge and up to the start of the right side: the base
// the folder, page and tray outlines share.
void roundedBottom(QPainterPath& path, double left, double right, double bottom, double radius = 1.5)
{
    path.lineTo(left, bottom - radius);
    path.quadTo(left, bottom, left + radius, bottom);
    path.lineTo(right - radius, bottom);
    path.quadTo(right, bottom, right, bottom - radius);
}

QPainterPath folderPath()
{
    QPainterPath path;
    path.moveTo(3, 7);
    roundedBottom(path, 3, 21, 20);
    path.lineTo(21, 9.5);
    path.quadTo(21, 8, 19.5, 8);
    path.lineTo(11.5, 8);
    path.lineTo(9.5, 5);
    path.lineTo(4.5, 5);
    path.quadTo(3, 5, 3, 7);
    path.closeSubpath();
    return path;
}

void folder(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.8);
    p.drawPath(folderPath());
    p.drawLine(QPointF(3, 11), QPointF(21, 11));
}

void folderFill(QPainter& p, const QColor& c)
{
    fill(p, c);
    p.drawPath(folderPath());
}

void internalDrive(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.8);
    p.drawRoundedRect(QRectF(3, 8, 18, 9), 2.5, 2.5);
    fill(p, c);
    p.drawEllipse(QPointF(17, 12.5), 1.3, 1.3);
    stroke(p, c, 1.4);
    p.drawLine(QPointF(6, 12.5), QPointF(12, 12.5));
}

void arrowUpDoc(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.8);
    QPainterPath page;
    page.moveTo(14, 3);
    page.lineTo(6.5, 3);
    page.quadTo(5, 3, 5, 4.5);
    roundedBottom(page, 5, 19, 21);
    page.lineTo(19, 8);
    page.closeSubpath();
    p.drawPath(page);
    arrow(p, QPointF(12, 17), QPointF(12, 10), 4.2);
}

void grid2x2(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.8);
    for (const double x : { 4.0, 13.0 }) {
        for (const double y : { 4.0, 13.0 })
            p.drawRoundedRect(QRectF(x, y, 7, 7), 1.5, 1.5);
    }
}

void listBullet(QPainter& p, const QColor& c)
{
    for (const double y : { 6.0, 12.0, 18.0 }) {
        fill(p, c);
        p.drawEllipse(QPointF(5, y), 1.6, 1.6);
        stroke(p, c, 1.8);
        p.drawLine(QPointF(9.5, y), QPointF(20, y));
    }
}

void photoIn(QPainter& p, const QColor& c, const QRectF& frame)
{
    stroke(p, c, 1.8);
    p.drawRoundedRect(frame, 2.5, 2.5);
    const double w = frame.width();
    const double h = frame.height();
    const QPointF o = frame.topLeft();
    QPainterPath hills;
    hills.moveTo(o.x() + w * 0.08, o.y() + h * 0.85);
    hills.lineTo(o.x() + w * 0.38, o.y() + h * 0.5);
    hills.lineTo(o.x() + w * 0.58, o.y() + h * 0.72);
    hills.lineTo(o.x() + w * 0.72, o.y() + h * 0.58);
    hills.lineTo(o.x() + w * 0.92, o.y() + h * 0.85);
    p.drawPath(hills);
    fill(p, c);
    p.drawEllipse(QPointF(o.x() + w * 0.72, o.y() + h * 0.3), w * 0.08, w * 0.08);
}

void photo(QPainter& p, const QColor& c)
{
    photoIn(p, c, QRectF(3, 5, 18, 14));
}

void photoOnRectangleAngled(QPainter& p, const QColor& c)
{
    p.save();
    p.translate(12, 12);
    p.rotate(-10);
    p.translate(-12, -12);
    stroke(p, c, 1.5);
    p.drawRoundedRect(QRectF(2, 3, 17, 13), 2, 2);
    p.restore();
    photoIn(p, c, QRectF(5, 8, 17, 13));
}

void photoOnRectangle(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.5);
    p.drawRoundedRect(QRectF(2, 3, 17, 13), 2, 2);
    photoIn(p, c, QRectF(5, 7, 17, 13));
}

void sidebarRight(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.8);
    p.drawRoundedRect(QRectF(3, 5, 18, 14), 2.5, 2.5);
    p.drawLine(QPointF(15, 5), QPointF(15, 19));
}

void triangle(QPainter& p, QPointF tip, double width, double height, bool pointingRight)
{
    const double direction = pointingRight ? 1 : -1;
    QPolygonF shape;
    shape << tip << QPointF(tip.x() - direction * width, tip.y() - height / 2)
          << QPointF(tip.x() - direction * width, tip.y() + height / 2);
    p.drawPolygon(shape);
}

void playFill(QPainter& p, const QColor& c)
{
    fill(p, c);
    triangle(p, { 20, 12 }, 13, 16, true);
}

void pauseFill(QPainter& p, const QColor& c)
{
    fill(p, c);
    p.drawRoundedRect(QRectF(6, 4, 4, 16), 1, 1);
    p.drawRoundedRect(QRectF(14, 4, 4, 16), 1, 1);
}

void backwardEndFill(QPainter& p, const QColor& c)
{
    fill(p, c);
    p.drawRect(QRectF(5, 5, 2.5, 14));
    triangle(p, { 8, 12 }, 11, 14, false);
}

void forwardEndFill(QPainter& p, const QColor& c)
{
    fill(p, c);
    p.drawRect(QRectF(16.5, 5, 2.5, 14));
    triangle(p, { 16, 12 }, 11, 14, true);
}

void checkmarkPath(QPainter& p, double scale)
{
    const double shift = 12 * (1 - scale);
    p.drawLine(QPointF(shift + 5 * scale, shift + 12.5 * scale), QPointF(shift + 10 * scale, shift + 17 * scale));
    p.drawLine(QPointF(shift + 10 * scale, shift + 17 * scale), QPointF(shift + 19 * scale, shift + 7 * scale));
}

void checkmark(QPainter& p, const QColor& c)
{
    stroke(p, c, 3);
    checkmarkPath(p, 1);
}

void checkmarkCircleFill(QPainter& p, const QColor& c)
{
    fill(p, c);
    p.drawEllipse(QPointF(12, 12), 10, 10);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    stroke(p, Qt::black, 2.4);
    checkmarkPath(p, 0.7);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void xmarkCircleFill(QPainter& p, const QColor& c)
{
    fill(p, c);
    p.drawEllipse(QPointF(12, 12), 10, 10);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    stroke(p, Qt::black, 2.2);
    p.drawLine(QPointF(8.5, 8.5), QPointF(15.5, 15.5));
    p.drawLine(QPointF(15.5, 8.5), QPointF(8.5, 15.5));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void exclamationTriangle(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.8);
    QPolygonF shape;
    shape << QPointF(12, 3.5) << QPointF(21.5, 20) << QPointF(2.5, 20);
    p.drawPolygon(shape);
    p.drawLine(QPointF(12, 9.5), QPointF(12, 14));
    fill(p, c);
    p.drawEllipse(QPointF(12, 17), 1.2, 1.2);
}

void exclamationTriangleFill(QPainter& p, const QColor& c)
{
    fill(p, c);
    QPolygonF shape;
    shape << QPointF(12, 2.5) << QPointF(22.5, 20.5) << QPointF(1.5, 20.5);
    p.drawPolygon(shape);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    stroke(p, Qt::black, 2.0);
    p.drawLine(QPointF(12, 9), QPointF(12, 13.5));
    fill(p, Qt::black);
    p.drawEllipse(QPointF(12, 17), 1.3, 1.3);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void arrowLeftAndRight(QPainter& p, const QColor& c)
{
    stroke(p, c, 2);
    arrow(p, QPointF(3, 12), QPointF(21, 12), 6.4);
    arrowHead(p, QPointF(21, 12), QPointF(3, 12), 6.4);
}

void trayAndArrowDown(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.8);
    QPainterPath tray;
    tray.moveTo(3, 13);
    roundedBottom(tray, 3, 21, 20.5);
    tray.lineTo(21, 13);
    p.drawPath(tray);
    arrow(p, QPointF(12, 3), QPointF(12, 14), 5.6);
}

void cursorArrow(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.6);
    QPolygonF shape;
    shape << QPointF(6, 3) << QPointF(6, 19) << QPointF(10, 15.2) << QPointF(12.8, 21) << QPointF(15.4, 19.8)
          << QPointF(12.6, 14.2) << QPointF(18, 14);
    p.drawPolygon(shape);
}

void sunMax(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.8);
    p.drawEllipse(QPointF(12, 12), 4.2, 4.2);
    for (int ray = 0; ray < 8; ++ray) {
        QLineF line(QPointF(12, 12), QPointF(12, 3));
        line.setAngle(90 + ray * 45.0);
        const QPointF outer = line.p2();
        line.setLength(6.8);
        p.drawLine(line.p2(), outer);
    }
}

void moonStars(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.8);
    QPainterPath disc;
    disc.addEllipse(QPointF(11, 13), 8, 8);
    QPainterPath bite;
    bite.addEllipse(QPointF(15.5, 9), 7, 7);
    p.drawPath(disc.subtracted(bite));
    fill(p, c);
    sparkle(p, QPointF(18.5, 4.5), 2.6);
    sparkle(p, QPointF(21, 10), 1.6);
}

void gear(QPainter& p, const QColor& c)
{
    fill(p, c);
    QPainterPath wheel;
    constexpr int teeth = 8;
    for (int tooth = 0; tooth < teeth * 2; ++tooth) {
        const double radius = tooth % 2 == 0 ? 10.0 : 7.6;
        for (const double edge : { -0.5, 0.5 }) {
            QLineF spoke(QPointF(12, 12), QPointF(12 + radius, 12));
            spoke.setAngle((tooth + edge * 0.8) * 180.0 / teeth);
            if (wheel.elementCount() == 0) {
                wheel.moveTo(spoke.p2());
            } else {
                wheel.lineTo(spoke.p2());
            }
        }
    }
    wheel.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(12, 12), 3.4, 3.4);
    p.drawPath(wheel.subtracted(hole));
}

void arrowDownCircle(QPainter& p, const QColor& c)
{
    stroke(p, c, 1.8);
    p.drawEllipse(QPointF(12, 12), 9, 9);
    arrow(p, QPointF(12, 6.5), QPointF(12, 17), 4.8);
}

void wrenchAndScrewdriver(QPainter& p, const QColor& c)
{
    stroke(p, c, 2.2);
    // Screwdriver from the top left to the bottom right, its handle low.
    p.drawLine(QPointF(4, 4), QPointF(13, 13));
    p.drawLine(QPointF(14.5, 14.5), QPointF(19.5, 19.5));
    stroke(p, c, 4);
    p.drawLine(QPointF(15.5, 15.5), QPointF(19, 19));
    // Wrench across it, its open jaw at the top right.
    stroke(p, c, 2.2);
    p.drawLine(QPointF(5, 19), QPointF(15, 9));
    p.drawArc(QRectF(14, 3.5, 7, 7), -135 * 16, 270 * 16);
}

const std::map<QString, Glyph>& glyphs()
{
    static const std::map<QString, Glyph> table = {
        { QStringLiteral("plus"), plus },
        { QStringLiteral("plus.circle"), plusCircle },
        { QStringLiteral("sparkles"), sparkles },
        { QStringLiteral("wand.and.stars"), wandAndStars },
        { QStringLiteral("folder"), folder },
        { QStringLiteral("folder.fill"), folderFill },
        { QStringLiteral("internaldrive"), internalDrive },
        { QStringLiteral("arrow.up.doc"), arrowUpDoc },
        { QStringLiteral("square.grid.2x2"), grid2x2 },
        { QStringLiteral("list.bullet"), listBullet },
        { QStringLiteral("photo"), photo },
        { QStringLiteral("photo.on.rectangle"), photoOnRectangle },
        { QStringLiteral("photo.on.rectangle.angled"), photoOnRectangleAngled },
        { QStringLiteral("sidebar.right"), sidebarRight },
        { QStringLiteral("play.fill"), playFill },
        { QStringLiteral("pause.fill"), pauseFill },
        { QStringLiteral("backward.end.fill"), backwardEndFill },
        { QStringLiteral("forward.end.fill"), forwardEndFill },
        { QStringLiteral("checkmark"), checkmark },
        { QStringLiteral("checkmark.circle.fill"), checkmarkCircleFill },
        { QStringLiteral("xmark.circle.fill"), xmarkCircleFill },
        { QStringLiteral("exclamationmark.triangle"), exclamationTriangle },
        { QStringLiteral("exclamationmark.triangle.fill"), exclamationTriangleFill },
        { QStringLiteral("arrow.left.and.right"), arrowLeftAndRight },
        { QStringLiteral("tray.and.arrow.down"), trayAndArrowDown },
        { QStringLiteral("cursorarrow"), cursorArrow },
        { QStringLiteral("sun.max"), sunMax },
        { QStringLiteral("moon.stars"), moonStars },
        { QStringLiteral("gear"), gear },
        { QStringLiteral("arrow.down.circle"), arrowDownCircle },
        { QStringLiteral("wrench.and.screwdriver"), wrenchAndScrewdriver },
    };
    return table;
}

} // namespace

QStringList symbolNames()
{
    QStringList names;
    for (const auto& entry : glyphs())
        names << entry.first;
    return names;
}

bool hasSymbol(QStringView name)
{
    return glyphs().contains(name.toString());
}

void drawSymbol(QPainter& painter, QStringView name, const QRectF& rect, const QColor& color)
{
    const auto found = glyphs().find(name.toString());
    if (found == glyphs().end() || rect.isEmpty()) return;
    const double side = std::min(rect.width(), rect.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / 24.0, side / 24.0);
    found->second(painter, color);
    painter.restore();
}

QIcon symbolIcon(const QString& name, const QColor& color)
{
    return paintedIcon([name, color](QPainter& painter, const QRect& rect, QIcon::Mode mode) {
        // Without a colour of its own the glyph follows the palette in use when it is drawn.
        QColor ink = color.isValid() ? color : QGuiApplication::palette().color(QPalette::ButtonText);
        if (mode == QIcon::Disabled) ink.setAlphaF(0.35f);
        drawSymbol(painter, name, rect, ink);
    });
}

void drawOnionSkin(QPainter& painter, const QRectF& rect, const QColor& color)
{
    // Two 9 × 7 outlines offset by one point each way, scaled from a 14 × 12 frame.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / 14.0, rect.height() / 12.0);
    painter.setPen(QPen(color, 1.2));
    painter.setBrush(Qt::NoBrush);
    const QRectF outline(2.5, 2.5, 9, 7);
    painter.drawRoundedRect(outline.translated(-1, 1), 1.5, 1.5);
    painter.drawRoundedRect(outline.translated(1, -1), 1.5, 1.5);
    painter.restore();
}

} // namespace tl::ui
