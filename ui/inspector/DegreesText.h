#pragma once

#include <QString>

namespace tl::ui {

// An angle with the given decimals and "°", with a decimal point whatever the locale ("12.5°").
// A value that rounds to zero reads "0.0°", never "-0.0°".
QString degreesText(double degrees, int decimals);

} // namespace tl::ui
