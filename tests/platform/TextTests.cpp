#include "platform/Text.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

TEST(EscapedForDisplay, SpellsOutEveryCharacterThatCanSplitOrReverseALine)
{
    const struct {
        const char* what;
        std::string raw;
        std::string shown;
    } cases[] = {
        { "plain text and accents", "Dünen am Meer.png", "Dünen am Meer.png" },
        { "line breaks and tabs", "a\nb\tc\rd", "a\\nb\\tc\\rd" },
        { "C0 controls and DEL", std::string("\x00\x1B[2J\x7F", 6), "\\x00\\x1B[2J\\x7F" },
        { "C1 controls", "\xC2\x80|\xC2\x85|\xC2\x9B|\xC2\x9F", "\\u0080|\\u0085|\\u009B|\\u009F" },
        { "the first character after C1 stays", "\xC2\xA0no-break", "\xC2\xA0no-break" },
        { "right-to-left override", "photo\xE2\x80\xAEgnp.exe", "photo\\u202Egnp.exe" },
        { "embeddings and overrides", "\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD",
            "\\u202A\\u202B\\u202C\\u202D" },
        { "isolates", "\xE2\x81\xA6\xE2\x81\xA7\xE2\x81\xA8\xE2\x81\xA9", "\\u2066\\u2067\\u2068\\u2069" },
        { "marks", "\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C", "\\u200E\\u200F\\u061C" },
        { "line and paragraph separators",
            "a\xE2\x80\xA8"
            "b\xE2\x80\xA9",
            "a\\u2028b\\u2029" },
        { "right-to-left letters themselves stay", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D.png",
            "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D.png" },
        { "neighbours of the ranges stay", "\xE2\x80\x8D\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA",
            "\xE2\x80\x8D\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA" },
        { "invalid bytes become U+FFFD first", "bad\xFF\xC2", "bad\xEF\xBF\xBD\xEF\xBF\xBD" },
        { "emoji", "\xF0\x9F\x8C\x85.png", "\xF0\x9F\x8C\x85.png" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(escapedForDisplay(c.raw), c.shown) << c.what;
}

} // namespace
} // namespace tl
