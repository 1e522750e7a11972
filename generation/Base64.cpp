#include "generation/Base64.h"

#include <array>
#include <cstdint>

namespace tl::base64 {
namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int, 256> reverseTable()
{
    std::array<int, 256> table {};
    table.fill(-1);
    for (std::size_t index = 0; index < kAlphabet.size(); ++index)
        table[static_cast<unsigned char>(kAlphabet[index])] = static_cast<int>(index);
    return table;
}

constexpr auto kReverse = reverseTable();

bool belongs(char c)
{
    return c == '=' || kReverse[static_cast<unsigned char>(c)] >= 0;
}

} // namespace

std::string encode(std::string_view bytes)
{
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t index = 0; index < bytes.size(); index += 3) {
        const std::size_t remaining = bytes.size() - index;
        std::uint32_t group = static_cast<unsigned char>(bytes[index]) << 16;
        if (remaining > 1) group |= static_cast<unsigned char>(bytes[index + 1]) << 8;
        if (remaining > 2) group |= static_cast<unsigned char>(bytes[index + 2]);
        text.push_back(kAlphabet[(group >> 18) & 63]);
        text.push_back(kAlphabet[(group >> 12) & 63]);
        text.push_back(remaining > 1 ? kAlphabet[(group >> 6) & 63] : '=');
        text.push_back(remaining > 2 ? kAlphabet[group & 63] : '=');
    }
    return text;
}

std::optional<std::string> decode(std::string_view text)
{
    if (text.size() % 4 != 0) return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t index = 0; index < text.size(); index += 4) {
        const bool last = index + 4 == text.size();
        std::uint32_t group = 0;
        int padding = 0;
        for (std::size_t offset = 0; offset < 4; ++offset) {
            const char c = text[index + offset];
            if (c == '=') {
                // Padding only closes the last group, and only in its final one or two places.
                if (!last || offset < 2) return std::nullopt;
                ++padding;
                group <<= 6;
                continue;
            }
            const int value = kReverse[static_cast<unsigned char>(c)];
            if (value < 0 || padding > 0) return std::nullopt;
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        bytes.push_back(static_cast<char>((group >> 16) & 0xff));
        if (padding < 2) bytes.push_back(static_cast<char>((group >> 8) & 0xff));
        if (padding < 1) bytes.push_back(static_cast<char>(group & 0xff));
    }
    return bytes;
}

std::optional<std::string> decodeIgnoringUnknown(std::string_view text)
{
    std::string kept;
    kept.reserve(text.size());
    for (const char c : text)
        if (belongs(c)) kept.push_back(c);
    return decode(kept);
}

std::optional<std::string> decodeImage(std::string_view text, bool ignoreUnknown)
{
    auto bytes = ignoreUnknown ? decodeIgnoringUnknown(text) : decode(text);
    if (!bytes || bytes->empty()) return std::nullopt;
    return bytes;
}

} // namespace tl::base64
