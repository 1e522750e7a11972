#include "ui/inspector/DegreesText.h"

#include <cmath>

namespace tl::ui {

QString degreesText(double degrees, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    // Only the sign of a value shown as zero is dropped; printf's rounding does the rest.
    if (std::round(std::abs(degrees) * scale) == 0) degrees = 0;
    // QString::number never uses the locale's decimal comma.
    return QString::number(degrees, 'f', decimals) + QStringLiteral("°");
}

} // namespace tl::ui
