#include "generation/Text.h"

#include "platform/Text.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>

namespace tl::text {
namespace {

bool isSpaceOrBreak(UChar32 c)
{
    return u_isUWhiteSpace(c) || c == 0x85;
}

struct BreakDeleter {
    void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};
struct TextDeleter {
    void operator()(UText* text) const { utext_close(text); }
};

} // namespace

std::string_view trimmed(std::string_view text)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    auto start = std::int32_t { 0 };
    auto end = static_cast<std::int32_t>(text.size());
    while (start < end) {
        std::int32_t next = start;
        UChar32 c;
        U8_NEXT(data, next, end, c);
        if (c < 0 || !isSpaceOrBreak(c)) break;
        start = next;
    }
    while (end > start) {
        std::int32_t previous = end;
        UChar32 c;
        U8_PREV(data, start, previous, c);
        if (c < 0 || !isSpaceOrBreak(c)) break;
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

std::string lowercased(std::string_view text)
{
    std::string lowered(text);
    std::ranges::transform(
        lowered, lowered.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lowered;
}

std::string_view prefixCharacters(std::string_view text, std::size_t count)
{
    if (text.size() <= count) return text;
    if (!isValidUtf8(text)) return text.substr(0, count);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, TextDeleter> utext(
        utext_openUTF8(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status));
    std::unique_ptr<UBreakIterator, BreakDeleter> breaks(ubrk_open(UBRK_CHARACTER, nullptr, nullptr, 0, &status));
    if (U_FAILURE(status)) return text.substr(0, count);
    ubrk_setUText(breaks.get(), utext.get(), &status);
    if (U_FAILURE(status)) return text.substr(0, count);
    std::int32_t boundary = ubrk_first(breaks.get());
    for (std::size_t taken = 0; taken < count && boundary != UBRK_DONE; ++taken) {
        const std::int32_t next = ubrk_next(breaks.get());
        if (next == UBRK_DONE) return text;
        boundary = next;
    }
    return text.substr(0, static_cast<std::size_t>(boundary));
}

std::string withoutSecret(std::string_view text, std::string_view secret)
{
    if (secret.empty()) return std::string(text);
    std::string scrubbed;
    for (auto found = text.find(secret); found != std::string_view::npos; found = text.find(secret)) {
        scrubbed += text.substr(0, found);
        scrubbed += "REDACTED";
        text.remove_prefix(found + secret.size());
    }
    return scrubbed + std::string(text);
}

std::optional<std::string> quotedReplyBody(std::string_view body, std::string_view secret)
{
    constexpr std::size_t longestQuote = 4096;
    if (!isValidUtf8(body)) return std::nullopt;
    const std::string scrubbed = withoutSecret(body, secret);
    const std::string_view quoted = prefixCharacters(scrubbed, longestQuote);
    if (quoted.size() == scrubbed.size()) return scrubbed;
    return std::string(quoted) + "… (cut)";
}

} // namespace tl::text
