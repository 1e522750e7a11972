#include "ui/inspector/PresetArtwork.h"

#include "ui/common/PaintedIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <map>
#include <optional>

namespace tl::ui {
namespace {

// One picture: the sky from top to horizon, the ground, and where the sun stands (a fraction of
// the picture's width from the left, its height above the horizon as a fraction of the sky;
// none for night, which shows a moon).
struct Sky {
    QColor top;
    QColor horizon;
    QColor ground;
    std::optional<QPointF> sun;
    QColor sunColour;
};

const std::map<QString, Sky>& skies()
{
    static const std::map<QString, Sky> table {
        { QStringLiteral("night"),
            { QColor(8, 12, 38), QColor(28, 36, 78), QColor(10, 12, 20), {}, QColor(235, 235, 220) } },
        { QStringLiteral("astronomical"),
            { QColor(14, 20, 58), QColor(50, 58, 110), QColor(14, 16, 26), QPointF(0.25, -0.35),
                QColor(120, 130, 190) } },
        { QStringLiteral("nautical"),
            { QColor(28, 44, 96), QColor(96, 96, 150), QColor(20, 22, 34), QPointF(0.25, -0.2),
                QColor(170, 160, 200) } },
        { QStringLiteral("civil"),
            { QColor(58, 86, 150), QColor(230, 150, 130), QColor(34, 32, 44), QPointF(0.25, -0.08),
                QColor(250, 190, 150) } },
        { QStringLiteral("golden_am"),
            { QColor(110, 150, 210), QColor(255, 196, 120), QColor(70, 60, 50), QPointF(0.22, 0.12),
                QColor(255, 200, 90) } },
        { QStringLiteral("morning"),
            { QColor(80, 150, 230), QColor(190, 220, 245), QColor(80, 110, 70), QPointF(0.3, 0.45),
                QColor(255, 236, 160) } },
        { QStringLiteral("midday"),
            { QColor(40, 120, 230), QColor(150, 200, 250), QColor(90, 130, 70), QPointF(0.5, 0.8),
                QColor(255, 250, 210) } },
        { QStringLiteral("afternoon"),
            { QColor(70, 140, 220), QColor(230, 215, 180), QColor(90, 110, 60), QPointF(0.7, 0.45),
                QColor(255, 226, 140) } },
        { QStringLiteral("golden_pm"),
            { QColor(120, 120, 190), QColor(255, 160, 80), QColor(70, 50, 40), QPointF(0.78, 0.12),
                QColor(255, 170, 60) } },
        { QStringLiteral("civil_dusk"),
            { QColor(44, 56, 120), QColor(220, 110, 110), QColor(30, 26, 40), QPointF(0.75, -0.08),
                QColor(240, 140, 120) } },
    };
    return table;
}

void drawSky(QPainter& painter, const Sky& sky, const QRectF& rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath frame;
    frame.addRoundedRect(rect, rect.width() * 0.18, rect.height() * 0.18);
    painter.setClipPath(frame);
    const double horizonY = rect.top() + rect.height() * 0.68;
    QLinearGradient gradient(rect.topLeft(), QPointF(rect.left(), horizonY));
    gradient.setColorAt(0, sky.top);
    gradient.setColorAt(1, sky.horizon);
    painter.fillRect(QRectF(rect.left(), rect.top(), rect.width(), horizonY - rect.top()), gradient);

    const double radius = rect.width() * 0.13;
    painter.setPen(Qt::NoPen);
    painter.setBrush(sky.sunColour);
    if (sky.sun) {
        const double skyHeight = horizonY - rect.top();
        painter.drawEllipse(
            QPointF(rect.left() + rect.width() * sky.sun->x(), horizonY - skyHeight * sky.sun->y()), radius, radius);
    } else {
        // A crescent and two stars.
        QPainterPath moon;
        const QPointF centre(rect.left() + rect.width() * 0.62, rect.top() + rect.height() * 0.3);
        moon.addEllipse(centre, radius, radius);
        QPainterPath bite;
        bite.addEllipse(centre + QPointF(radius * 0.55, -radius * 0.35), radius, radius);
        painter.drawPath(moon.subtracted(bite));
        for (const QPointF star : { QPointF(0.25, 0.2), QPointF(0.4, 0.45) })
            painter.drawEllipse(
                QPointF(rect.left() + rect.width() * star.x(), rect.top() + rect.height() * star.y()), 0.8, 0.8);
    }
    painter.fillRect(QRectF(rect.left(), horizonY, rect.width(), rect.bottom() - horizonY), sky.ground);
    painter.restore();
}

} // namespace

QIcon presetArtwork(QStringView name)
{
    const auto found = skies().find(name.toString());
    if (found == skies().end()) return {};
    return paintedIcon([sky = found->second](QPainter& painter, const QRect& rect, QIcon::Mode mode) {
        if (mode == QIcon::Disabled) painter.setOpacity(0.4);
        drawSky(painter, sky, rect);
    });
}

} // namespace tl::ui
