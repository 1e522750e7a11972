#include "ui/inspector/DegreesText.h"

#include "platform/NumberText.h"

#include <cmath>

namespace tl::ui {

QString degreesText(double degrees, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    // Only the sign of a value shown as zero is dropped; printf's rounding does the rest.
    if (std::round(std::abs(degrees) * scale) == 0) degrees = 0;
    return QString::fromStdString(fixedDecimalText(degrees, decimals)) + QStringLiteral("°");
}

} // namespace tl::ui
