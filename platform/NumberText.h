#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tl {

// Numbers as text the same way whatever the process locale is: a point, never a comma, so a
// German desktop reads "12.5" where the rest of the world does.

// `value` with `decimals` digits after the point, rounded as printf's "%.*f" rounds in the C locale.
std::string fixedDecimalText(double value, int decimals);

// A typed decimal number as the C library reads it in the C locale; blanks around it are
// allowed, anything else after it is not. None for text that is not wholly a finite number.
std::optional<double> parseDecimal(std::string_view text);

} // namespace tl
