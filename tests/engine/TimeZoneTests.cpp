#include "engine/TimeZone.h"
#include "tests/engine/TimeTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace tl {
namespace {

TEST(TimeZoneTest, FixedZonesKeepTheirOffsetAtEveryInstant)
{
    for (const Date date : { test::clockDate(2024, 6, 21, 12, 0, 0), test::clockDate(1900, 1, 1, 0, 0, 0) }) {
        EXPECT_EQ(TimeZone::utc().secondsFromGMT(date), 0);
        EXPECT_EQ(TimeZone::fixed(-25200).secondsFromGMT(date), -25200);
        EXPECT_EQ(TimeZone::fixed(19800).secondsFromGMT(date), 19800);
    }
}

TEST(TimeZoneTest, LocalZoneFollowsDaylightSavingPerInstant)
{
    const test::ScopedLocalZone mountain { test::kMountainTime };
    const TimeZone local = TimeZone::current();

    EXPECT_EQ(local.secondsFromGMT(test::clockDate(2010, 6, 21, 12, 0, 0)), -21600);
    EXPECT_EQ(local.secondsFromGMT(test::clockDate(2010, 1, 15, 12, 0, 0)), -25200);
    // 02:00 MDT on 2010-11-07 is the end of summer time.
    EXPECT_EQ(local.secondsFromGMT(test::clockDate(2010, 11, 7, 7, 59, 59.5)), -21600);
    EXPECT_EQ(local.secondsFromGMT(test::clockDate(2010, 11, 7, 8, 0, 0)), -25200);
}

TEST(TimeZoneTest, LocalZoneCountsUnplaceableInstantsAsUtc)
{
    const test::ScopedLocalZone mountain { test::kMountainTime };
    const TimeZone local = TimeZone::current();

    EXPECT_EQ(local.secondsFromGMT(Date::sinceUnixEpoch(1e17)), 0); // a year beyond int
    EXPECT_EQ(local.secondsFromGMT(Date::sinceUnixEpoch(1e30)), 0); // beyond time_t
    EXPECT_EQ(local.secondsFromGMT(Date::sinceUnixEpoch(-1e30)), 0);
    EXPECT_EQ(local.secondsFromGMT(Date::sinceUnixEpoch(std::numeric_limits<double>::quiet_NaN())), 0);
    EXPECT_EQ(local.secondsFromGMT(Date::sinceUnixEpoch(std::numeric_limits<double>::infinity())), 0);
}

} // namespace
} // namespace tl
