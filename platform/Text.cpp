#include "platform/Text.h"

namespace tl {
namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

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
    std::string escaped;
    for (const char c : validUtf8(bytes)) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 0x20 && code != 0x7F) {
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\t') {
            escaped += "\\t";
        } else if (c == '\r') {
            escaped += "\\r";
        } else {
            constexpr char digits[] = "0123456789ABCDEF";
            escaped += "\\x";
            escaped += digits[code >> 4];
            escaped += digits[code & 0xF];
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
