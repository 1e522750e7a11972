#include "ui/common/NumberFormat.h"

#include "support/GermanLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tl::ui {
namespace {

TEST(NumberFormat, HoursReadAsTruncatedClockTimes)
{
    for (const auto& [hour, text] : std::vector<std::pair<double, const char*>> {
             { 12.0, "12:00" }, { 6.5, "06:30" }, { 24.0, "24:00" }, { 6.999, "06:59" }, { 0.0, "00:00" } }) {
        EXPECT_EQ(formatHour(hour), QString::fromLatin1(text)) << hour;
    }
}

TEST(NumberFormat, ProgressIsAlwaysAFiniteFraction)
{
    EXPECT_DOUBLE_EQ(progressFraction(3, 0), 0);
    EXPECT_DOUBLE_EQ(progressFraction(3, -4), 0);
    EXPECT_DOUBLE_EQ(progressFraction(7, 5), 1);
    EXPECT_DOUBLE_EQ(progressFraction(1, 4), 0.25);
    EXPECT_EQ(percentText(0.999), QStringLiteral("99%"));
    EXPECT_EQ(percentText(1), QStringLiteral("100%"));
    EXPECT_EQ(percentText(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("0%"));
    EXPECT_EQ(percentText(-std::numeric_limits<double>::infinity()), QStringLiteral("0%"));
    EXPECT_EQ(percentText(3), QStringLiteral("100%"));
}

TEST(NumberFormat, CaptionsKeepThePointUnderACommaLocale)
{
    const test::GermanLocale german;
    if (!german.active()) GTEST_SKIP() << german.why();
    EXPECT_EQ(sunPositionCaption(12.5, -0.8), QStringLiteral("Alt: 12.5°  Az: -0.8°"));
    EXPECT_EQ(sunPositionCaption(std::nullopt, 90), QStringLiteral("Alt: 0.0°  Az: 90.0°"));
}

} // namespace
} // namespace tl::ui
