#include "platform/Date.h"

#include <gtest/gtest.h>

#include <ctime>

namespace tl {
namespace {

TEST(Date, ReferenceDateIsYear2001InUnixTime)
{
    // 2001-01-01 00:00:00 UTC.
    EXPECT_DOUBLE_EQ(Date::sinceReferenceDate(0).secondsSinceUnixEpoch(), 978307200.0);
    EXPECT_DOUBLE_EQ(Date::sinceUnixEpoch(0).secondsSinceReferenceDate(), -978307200.0);
}

TEST(Date, UnixAndReferenceSecondsConvertBothWays)
{
    const Date date = Date::sinceUnixEpoch(1700000000.25);
    EXPECT_DOUBLE_EQ(date.secondsSinceReferenceDate(), 721692800.25);
    EXPECT_DOUBLE_EQ(date.secondsSinceUnixEpoch(), 1700000000.25);
    EXPECT_EQ(Date::sinceReferenceDate(date.secondsSinceReferenceDate()), date);
}

TEST(Date, AddingMovesForwardAndOrders)
{
    const Date start = Date::sinceReferenceDate(100);
    const Date later = start.adding(60.5);
    EXPECT_DOUBLE_EQ(later.secondsSinceReferenceDate(), 160.5);
    EXPECT_LT(start, later);
    EXPECT_EQ(later.adding(-60.5), start);
}

TEST(Date, NowIsTheSystemClock)
{
    // The precise real-time clock: time() reads a coarse one that can lag a tick behind.
    const auto realTime = [] {
        timespec stamp {};
        clock_gettime(CLOCK_REALTIME, &stamp);
        return static_cast<double>(stamp.tv_sec) + static_cast<double>(stamp.tv_nsec) * 1e-9;
    };
    const double before = realTime();
    const double now = Date::now().secondsSinceUnixEpoch();
    const double after = realTime();
    EXPECT_GE(now, before - 0.001);
    EXPECT_LE(now, after + 0.001);
}

TEST(Date, StampsReadAsUtcToTheWholeSecond)
{
    EXPECT_EQ(iso8601Stamp(Date::sinceUnixEpoch(1796790038.9)), "2026-12-09T04:20:38Z");
    EXPECT_EQ(iso8601Stamp(Date::sinceUnixEpoch(1709251199)), "2024-02-29T23:59:59Z");
    EXPECT_EQ(iso8601Stamp(Date::sinceReferenceDate(0)), "2001-01-01T00:00:00Z");
    // Before 1970 the fraction still counts toward the earlier second.
    EXPECT_EQ(iso8601Stamp(Date::sinceUnixEpoch(-0.5)), "1969-12-31T23:59:59Z");
}

} // namespace
} // namespace tl
