#include "platform/NumberText.h"

#include "support/GermanLocale.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

namespace tl {
namespace {

void expectCLocaleNumbers()
{
    for (const auto& [value, text] : std::vector<std::pair<double, const char*>> { { 12.5, "12.5" }, { 5, "5.0" },
             { -0.8, "-0.8" }, { -12.25, "-12.2" }, // ties as printf: to even
             { 0.05, "0.1" }, // 0.05 is stored a little above
             { 359.96, "360.0" }, { -0.04, "-0.0" } }) {
        EXPECT_EQ(fixedDecimalText(value, 1), text) << value;
    }
    EXPECT_EQ(fixedDecimalText(48.8566, 4), "48.8566");
    EXPECT_EQ(fixedDecimalText(1e300, 0).size(), 301u);

    for (const auto& [text, value] :
        std::vector<std::pair<const char*, std::optional<double>>> { { "48.85", 48.85 }, { "  -2.35\t", -2.35 },
            { "1e3", 1000 }, { "+7", 7 }, { "48,85", std::nullopt }, { "1.5 px", std::nullopt }, { "", std::nullopt },
            { "   ", std::nullopt }, { "nan", std::nullopt }, { "inf", std::nullopt }, { "1e999", std::nullopt } }) {
        EXPECT_EQ(parseDecimal(text), value) << '"' << text << '"';
    }
    EXPECT_FALSE(parseDecimal(std::string_view("4\0"
                                               "2",
        3)));
}

TEST(NumberText, PointDecimalsBothWays)
{
    expectCLocaleNumbers();
}

TEST(NumberText, TheSameUnderACommaLocale)
{
    const test::GermanLocale german;
    if (!german.active()) GTEST_SKIP() << german.why();
    expectCLocaleNumbers();
}

} // namespace
} // namespace tl
