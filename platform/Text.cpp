#include "platform/Text.h"

#include <cstdint>

namespace tl {
namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

// The code point of one well-formed UTF-8 sequence.
std::uint32_t codePoint(std::string_view sequence)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(sequence[i]); };
    switch (sequence.size()) {
    case 1:
        return byte(0);
    case 2:
        return (byte(0) & 0x1Fu) << 6 | (byte(1) & 0x3Fu);
    case 3:
        return (byte(0) & 0x0Fu) << 12 | (byte(1) & 0x3Fu) << 6 | (byte(2) & 0x3Fu);
    default:
        return (byte(0) & 0x07u) << 18 | (byte(1) & 0x3Fu) << 12 | (byte(2) & 0x3Fu) << 6 | (byte(3) & 0x3Fu);
    }
}

// C1 controls, the bidirectional marks, embeddings, overrides and isolates, which can make a name
// read backwards, and the Unicode line and paragraph separators, which can split a line.
bool reordersOrBreaksText(std::uint32_t code)
{
    return (code >= 0x80 && code <= 0x9F) || code == 0x061C || code == 0x200E || code == 0x200F
        || (code >= 0x2028 && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

} // namespace

std::size_t utf8SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!continuation(1) || !continuation(2)) return 0;
        if (lead == 0xE0 && byte(1) < 0xA0) return 0; // overlong
        if (lead == 0xED && byte(1) >= 0xA0) return 0; // surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
        if (lead == 0xF0 && byte(1) < 0x90) return 0; // overlong
        if (lead == 0xF4 && byte(1) >= 0x90) return 0; // beyond U+10FFFF
        return 4;
    }
    return 0;
}

bool isValidUtf8(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t length = utf8SequenceLength(bytes);
        if (length == 0) return false;
        bytes.remove_prefix(length);
    }
    return true;
}

std::string validUtf8(std::string_view bytes)
{
    std::string result;
    result.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t length = utf8SequenceLength(bytes);
        if (length == 0) {
            result += replacementCharacter;
            bytes.remove_prefix(1);
        } else {
            result += bytes.substr(0, length);
            bytes.remove_prefix(length);
        }
    }
    return result;
}

std::string escapedForDisplay(std::string_view bytes)
{
    constexpr char digits[] = "0123456789ABCDEF";
    const auto hex = [&](std::uint32_t value, int count) {
        std::string text;
        for (int shift = 4 * (count - 1); shift >= 0; shift -= 4)
            text += digits[(value >> shift) & 0xF];
        return text;
    };
    const std::string valid = validUtf8(bytes);
    std::string escaped;
    escaped.reserve(valid.size());
    for (std::string_view rest = valid; !rest.empty();) {
        const std::size_t length = utf8SequenceLength(rest);
        const std::string_view sequence = rest.substr(0, length);
        rest.remove_prefix(length);
        const std::uint32_t code = codePoint(sequence);
        if (code == '\n') {
            escaped += "\\n";
        } else if (code == '\t') {
            escaped += "\\t";
        } else if (code == '\r') {
            escaped += "\\r";
        } else if (code < 0x20 || code == 0x7F) {
            escaped += "\\x" + hex(code, 2);
        } else if (reordersOrBreaksText(code)) {
            escaped += "\\u" + hex(code, 4);
        } else {
            escaped += sequence;
        }
    }
    return escaped;
}

std::filesystem::path normalizedPath(const std::filesystem::path& path)
{
    if (path.empty()) return path;
    std::error_code error;
    const auto absolutePath = std::filesystem::absolute(path, error);
    const auto normal = (error ? path : absolutePath).lexically_normal();
    const std::string text = normal.string();
    if (text.size() > 1 && text.back() == '/') return std::filesystem::path(text.substr(0, text.size() - 1));
    return normal;
}

} // namespace tl
