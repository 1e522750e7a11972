#include "ui/common/NumberFormat.h"

#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>

namespace tl::ui {

QString formatHour(double hour)
{
    if (!std::isfinite(hour)) hour = 0;
    const auto hours = static_cast<int>(hour);
    const auto minutes = static_cast<int>((hour - hours) * 60);
    return QString::asprintf("%02d:%02d", hours, minutes);
}

QString sunPositionCaption(std::optional<double> altitude, std::optional<double> azimuth)
{
    const std::string text = "Alt: " + fixedDecimalText(altitude.value_or(0), 1)
        + "°  Az: " + fixedDecimalText(azimuth.value_or(0), 1) + "°";
    return QString::fromStdString(text);
}

QString percentText(double fraction)
{
    const double clamped = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    return QStringLiteral("%1%").arg(static_cast<int>(clamped * 100));
}

double progressFraction(long long current, long long total)
{
    if (total <= 0) return 0;
    return std::clamp(static_cast<double>(current) / static_cast<double>(total), 0.0, 1.0);
}

} // namespace tl::ui
