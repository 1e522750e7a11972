#include "engine/CustomCanvasSize.h"

#include <algorithm>
#include <cctype>

namespace tl {
namespace {

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\n\r\v\f";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// What was typed, as the message quotes it: a pasted page is cut short.
std::string quoted(std::string_view typed)
{
    constexpr std::size_t longest = 24;
    return "“" + std::string(typed.substr(0, longest)) + (typed.size() > longest ? "…" : "") + "”";
}

Result<double, std::string> readSide(std::string_view side, std::string_view text)
{
    const std::string_view typed = trimmed(text);
    const std::string name = "The custom " + std::string(side);
    if (typed.empty()) return "Enter the custom " + std::string(side) + " in pixels.";
    const bool negative = typed.front() == '-';
    const std::string_view digits = negative ? typed.substr(1) : typed;
    if (digits.empty() || !std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; }))
        return name + " " + quoted(typed) + " is not a whole number of pixels.";
    // Compared as digits, so no number is too long to be read.
    const std::string_view significant = digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
    if (negative || significant.empty()) return name + " " + quoted(typed) + " is below 1 pixel.";
    const std::string largest = std::to_string(largestCanvasSide);
    if (significant.size() > largest.size() || (significant.size() == largest.size() && significant > largest))
        return name + " " + quoted(typed) + " is above " + largest
            + " pixels, the longest side of a frame an export can prepare.";
    return std::stod(std::string(significant));
}

} // namespace

Result<PixelSize, std::string> readCustomCanvas(std::string_view width, std::string_view height)
{
    const auto w = readSide("width", width);
    if (!w) return w.error();
    const auto h = readSide("height", height);
    if (!h) return h.error();
    return PixelSize { w.value(), h.value() };
}

} // namespace tl
