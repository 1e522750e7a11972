#include "platform/Uuid.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tl {
namespace {

constexpr const char* kCanonical = "6BA7B810-9DAD-11D1-80B4-00C04FD430C8";

TEST(UuidText, ParseAndTextRoundTrip)
{
    const auto uuid = Uuid::parse(kCanonical);
    ASSERT_TRUE(uuid);
    EXPECT_EQ(uuid->text(), kCanonical);
    const Uuid::Bytes expected{0x6B, 0xA7, 0xB8, 0x10, 0x9D, 0xAD, 0x11, 0xD1,
                               0x80, 0xB4, 0x00, 0xC0, 0x4F, 0xD4, 0x30, 0xC8};
    EXPECT_EQ(uuid->bytes(), expected);
}

TEST(UuidText, TextIsUpperCaseAndLowerCaseInputIsAccepted)
{
    const auto lower = Uuid::parse("6ba7b810-9dad-11d1-80b4-00c04fd430c8");
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->text(), kCanonical);
    EXPECT_EQ(lower, Uuid::parse(kCanonical));

    const Uuid allHigh{Uuid::Bytes{0xAB, 0xCD, 0xEF, 0xFF, 0xAB, 0xCD, 0xEF, 0xFF,
                                   0xAB, 0xCD, 0xEF, 0xFF, 0xAB, 0xCD, 0xEF, 0xFF}};
    EXPECT_EQ(allHigh.text(), "ABCDEFFF-ABCD-EFFF-ABCD-EFFFABCDEFFF");
}

TEST(UuidText, MalformedTextsAreRejected)
{
    const std::string canonical = kCanonical;
    EXPECT_FALSE(Uuid::parse(""));
    EXPECT_FALSE(Uuid::parse(canonical.substr(0, 35)));
    EXPECT_FALSE(Uuid::parse(canonical + "0"));
    EXPECT_FALSE(Uuid::parse("{" + canonical + "}"));
    EXPECT_FALSE(Uuid::parse("6BA7B8109DAD11D180B400C04FD430C8"));
    // Same length, hyphen one place off.
    EXPECT_FALSE(Uuid::parse("6BA7B81-09DAD-11D1-80B4-00C04FD430C8"));
    EXPECT_FALSE(Uuid::parse("6BA7B810-9DAD-11D1-80B400-C04FD430C8"));
    EXPECT_FALSE(Uuid::parse("6BA7B810-9DAD-11D1-80B4-00C04FD430C-"));
    EXPECT_FALSE(Uuid::parse("6BA7B810-9DAD-11D1-80B4-00C04FD430CG"));
    EXPECT_FALSE(Uuid::parse("6BA7B810-9DAD-11D1-80B4-00C04FD430c "));
    EXPECT_FALSE(Uuid::parse("6BA7B810+9DAD-11D1-80B4-00C04FD430C8"));
}

TEST(UuidRandom, SetsVersionFourAndVariantBits)
{
    for (int i = 0; i < 64; ++i) {
        const Uuid uuid = Uuid::random();
        EXPECT_EQ(uuid.bytes()[6] & 0xF0, 0x40);
        EXPECT_EQ(uuid.bytes()[8] & 0xC0, 0x80);
        const std::string text = uuid.text();
        EXPECT_EQ(text[14], '4');
        EXPECT_EQ(Uuid::parse(text), uuid);
    }
}

TEST(UuidRandom, ValuesAreDistinct)
{
    std::set<Uuid> seen;
    for (int i = 0; i < 1000; ++i) seen.insert(Uuid::random());
    EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace
}  // namespace tl
