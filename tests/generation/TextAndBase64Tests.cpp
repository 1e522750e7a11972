#include "generation/Base64.h"
#include "generation/MultipartForm.h"
#include "generation/Text.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

using namespace std::string_literals;

TEST(Base64, EncodesAndDecodesEveryByte)
{
    std::string bytes;
    for (int value = 0; value < 256; ++value)
        bytes.push_back(static_cast<char>(value));
    for (std::size_t length = 0; length < 7; ++length) {
        const auto piece = bytes.substr(250 - length, length);
        EXPECT_EQ(base64::decode(base64::encode(piece)), piece) << length;
    }
    EXPECT_EQ(base64::decode(base64::encode(bytes)), bytes);
    EXPECT_EQ(base64::encode("first"), "Zmlyc3Q=");
}

TEST(Base64, StrictAndLenientDecoding)
{
    const struct {
        std::string text;
        std::optional<std::string> strict;
        std::optional<std::string> lenient;
    } cases[] = {
        { "eA==", "x"s, "x"s },
        { "eA\r\n==", std::nullopt, "x"s },
        { " eHk= ", std::nullopt, "xy"s },
        { "eA", std::nullopt, std::nullopt },
        { "e===", std::nullopt, std::nullopt },
        { "eA==eA==", std::nullopt, std::nullopt },
        { "!!!", std::nullopt, ""s },
        { "", ""s, ""s },
    };
    for (const auto& entry : cases) {
        EXPECT_EQ(base64::decode(entry.text), entry.strict) << entry.text;
        EXPECT_EQ(base64::decodeIgnoringUnknown(entry.text), entry.lenient) << entry.text;
    }
    // An image source that decodes to nothing is no image.
    EXPECT_FALSE(base64::decodeImage("", false));
    EXPECT_FALSE(base64::decodeImage("\n\n", true));
    EXPECT_EQ(base64::decodeImage("eA==", false), "x");
}

TEST(Text, TrimsUnicodeSpaceAndCutsByCharacter)
{
    EXPECT_EQ(text::trimmed(" \t\n model \r\n"), "model");
    EXPECT_EQ(text::trimmed("\xc2\xa0model\xe2\x80\xa8"), "model"); // no-break space, line separator
    EXPECT_EQ(text::trimmed("   "), "");
    EXPECT_EQ(text::prefixCharacters("abc", 5), "abc");
    EXPECT_EQ(text::prefixCharacters("ab\xf0\x9f\x91\x8d\xf0\x9f\x8f\xbd"
                                     "cd",
                  3),
        "ab\xf0\x9f\x91\x8d\xf0\x9f\x8f\xbd");
    EXPECT_TRUE(isValidUtf8("plain é"));
    EXPECT_FALSE(isValidUtf8("\xc3\x28"s));
    EXPECT_FALSE(isValidUtf8("\xed\xa0\x80"s)) << "a surrogate";
    EXPECT_FALSE(isValidUtf8("\xc0\xaf"s)) << "an overlong slash";
}

TEST(MultipartForm, LaysOutFieldsAndFilesExactly)
{
    MultipartForm form("Boundary-X");
    form.addField("model", "m");
    form.addFile("image", "reference.png", "image/png", "\0\x01"s);
    EXPECT_EQ(form.contentType(), "multipart/form-data; boundary=Boundary-X");
    EXPECT_EQ(form.finish(),
        "--Boundary-X\r\nContent-Disposition: form-data; name=\"model\"\r\n\r\nm\r\n"
        "--Boundary-X\r\nContent-Disposition: form-data; name=\"image\"; filename=\"reference.png\"\r\n"
        "Content-Type: image/png\r\n\r\n\0\x01\r\n--Boundary-X--\r\n"s);
}

} // namespace
} // namespace tl
