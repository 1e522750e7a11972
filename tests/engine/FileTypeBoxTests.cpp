#include "engine/FileTypeBox.h"

#include <gtest/gtest.h>

#include <string>

namespace tl {
namespace {

std::vector<std::uint8_t> box(const std::string& type, const std::string& body)
{
    const auto size = static_cast<std::uint32_t>(8 + body.size());
    std::string bytes { static_cast<char>(size >> 24), static_cast<char>(size >> 16), static_cast<char>(size >> 8),
        static_cast<char>(size) };
    bytes += type + body;
    return { bytes.begin(), bytes.end() };
}

std::string text(const std::vector<std::uint8_t>& bytes)
{
    return { bytes.begin(), bytes.end() };
}

TEST(FileTypeBox, RepeatedBrandsBecomeAFreeBoxOfTheSameLength)
{
    auto head = box("ftyp", std::string("heic\0\0\0\0", 8) + "mif1heicheixmif1heicheix");
    const auto rest = box("meta", "xyz");
    head.insert(head.end(), rest.begin(), rest.end());
    const std::size_t before = head.size();

    ASSERT_TRUE(compactFileTypeBox(head));
    EXPECT_EQ(head.size(), before);
    EXPECT_EQ(text(head).substr(0, 28), text(box("ftyp", std::string("heic\0\0\0\0", 8) + "mif1heicheix")));
    EXPECT_EQ(text(head).substr(28, 12), text(box("free", std::string(4, '\0'))));
    EXPECT_EQ(text(head).substr(40), text(rest));
}

TEST(FileTypeBox, LeavesWhatItCannotOrNeedNotChange)
{
    const auto unique = box("ftyp", std::string("heic\0\0\0\0", 8) + "mif1heic");
    auto copy = unique;
    EXPECT_TRUE(compactFileTypeBox(copy));
    EXPECT_EQ(copy, unique);

    // One repeated brand frees 4 bytes, too few for a box header.
    const auto oneRepeat = box("ftyp", std::string("heic\0\0\0\0", 8) + "mif1heicmif1");
    copy = oneRepeat;
    EXPECT_TRUE(compactFileTypeBox(copy));
    EXPECT_EQ(copy, oneRepeat);

    auto notFileType = box("moov", "12345678");
    EXPECT_FALSE(compactFileTypeBox(notFileType));
    auto truncated = box("ftyp", std::string("heic\0\0\0\0", 8) + "mif1");
    truncated.resize(truncated.size() - 2);
    EXPECT_FALSE(compactFileTypeBox(truncated));
}

} // namespace
} // namespace tl
