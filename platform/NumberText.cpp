#include "platform/NumberText.h"

#include <charconv>
#include <cmath>
#include <locale.h>
#include <stdlib.h>

namespace tl {

std::string fixedDecimalText(double value, int decimals)
{
    // Enough for any double in fixed notation (up to 309 integer digits) and the decimals asked.
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc {}) return {};
    return std::string(text, result.ptr);
}

std::optional<double> parseDecimal(std::string_view text)
{
    constexpr std::string_view blanks = " \t\n\r\v\f";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return std::nullopt;
    const std::string trimmed(text.substr(first, text.find_last_not_of(blanks) - first + 1));
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t {});
    char* end = nullptr;
    const double value = strtod_l(trimmed.c_str(), &end, cLocale);
    // A NUL inside the text also stops the reading early and is refused here.
    if (end != trimmed.c_str() + trimmed.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

} // namespace tl
