#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tl::text {

// The text without white space and line breaks (Unicode's, not only ASCII's) at either end.
std::string_view trimmed(std::string_view text);

// ASCII letters lowered; other characters unchanged.
std::string lowercased(std::string_view text);

// The first `count` characters as a reader sees them (grapheme clusters), so a cut never splits
// an accented letter or an emoji. Text that is not UTF-8 is cut by bytes.
std::string_view prefixCharacters(std::string_view text, std::size_t count);

// `text` with every occurrence of `secret` replaced by "REDACTED"; an empty secret changes nothing.
std::string withoutSecret(std::string_view text, std::string_view secret);

// A server's reply body as quoted in an error message: the client's own `secret` (its key or
// token) scrubbed, then whole when short, else its first few thousand characters followed by
// "… (cut)", so a huge error page cannot become a huge message. Empty when the body is not UTF-8.
std::optional<std::string> quotedReplyBody(std::string_view body, std::string_view secret);

} // namespace tl::text
