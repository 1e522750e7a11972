#pragma once

#include <optional>
#include <ranges>
#include <string_view>

namespace tl {

// The case whose raw value (from the enumeration's own rawValue overload) is exactly raw, letter
// case included; allCases lists every case of the enumeration.
template <std::ranges::input_range AllCases>
constexpr std::optional<std::ranges::range_value_t<AllCases>> caseWithRawValue(
    const AllCases& allCases, std::string_view raw)
{
    for (const auto value : allCases)
        if (rawValue(value) == raw) return value;
    return std::nullopt;
}

} // namespace tl
