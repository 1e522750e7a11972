#include "engine/SolarPositionService.h"
#include "tests/engine/TimeTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tl {
namespace {

using test::clockDate;

constexpr double kTolerance = 0.01;
constexpr int kHour = 3600;

struct Reference {
    Date date;
    int zoneOffset;
    double latitude;
    double longitude;
    double elevation;
    double azimuth;
};

// Expected values from the NOAA solar calculator spreadsheet (NOAA_Solar_Calculations_day.xls),
// evaluated independently with its own formulas and without atmospheric refraction.
const Reference kReferences[] = {
    { clockDate(2024, 6, 21, 12, 0, 0, -7 * kHour), -7 * kHour, 40.0, -105.0, 73.4304, 178.4007 },
    { clockDate(2000, 1, 1, 12, 0, 0), 0, 51.5, 0.0, 15.4640, 179.2120 },
    // Boulder at the 2010 June solstice, local MDT.
    { clockDate(2010, 6, 21, 0, 0, 0, -6 * kHour), -6 * kHour, 40.0, -105.0, -24.9508, 344.3849 },
    { clockDate(2010, 6, 21, 6, 0, 0, -6 * kHour), -6 * kHour, 40.0, -105.0, 3.9315, 62.4319 },
    { clockDate(2010, 6, 21, 9, 0, 0, -6 * kHour), -6 * kHour, 40.0, -105.0, 37.0376, 89.0080 },
    { clockDate(2010, 6, 21, 12, 0, 0, -6 * kHour), -6 * kHour, 40.0, -105.0, 68.9238, 137.1700 },
    { clockDate(2010, 6, 21, 15, 0, 0, -6 * kHour), -6 * kHour, 40.0, -105.0, 60.1294, 245.2647 },
    { clockDate(2010, 6, 21, 18, 0, 0, -6 * kHour), -6 * kHour, 40.0, -105.0, 26.3022, 279.4647 },
    // Before 1970.
    { clockDate(1950, 3, 15, 10, 30, 0, 1 * kHour), 1 * kHour, 48.85, 2.35, 29.4712, 135.7599 },
    { clockDate(1900, 12, 1, 7, 15, 30, -5 * kHour), -5 * kHour, -33.9, 151.2, -30.4326, 204.0077 },
};

TEST(SunPositionTest, MatchesNoaaReferenceValues)
{
    for (const auto& reference : kReferences) {
        const auto position = SolarPositionService::sunPosition(
            reference.date, TimeZone::fixed(reference.zoneOffset), reference.latitude, reference.longitude);
        EXPECT_NEAR(position.elevation, reference.elevation, kTolerance) << reference.date.secondsSinceUnixEpoch();
        EXPECT_NEAR(position.azimuth, reference.azimuth, kTolerance) << reference.date.secondsSinceUnixEpoch();
    }
}

TEST(SunPositionTest, ZonePassedDoesNotChangeTheResult)
{
    const test::ScopedLocalZone mountain { test::kMountainTime };
    const TimeZone zones[]
        = { TimeZone::current(), TimeZone::fixed(-10 * kHour), TimeZone::fixed(19800), TimeZone::fixed(14 * kHour) };
    for (const auto& reference : kReferences) {
        for (const double fraction : { 0.0, 0.25, 0.75 }) {
            const Date date = reference.date.adding(fraction);
            const auto expected = sunPosition(date, TimeZone::utc(), reference.latitude, reference.longitude);
            for (const auto& zone : zones) {
                const auto position = sunPosition(date, zone, reference.latitude, reference.longitude);
                EXPECT_NEAR(position.elevation, expected.elevation, 1e-9);
                EXPECT_NEAR(position.azimuth, expected.azimuth, 1e-9);
            }
        }
    }
}

TEST(SunPositionTest, StaysInRangeAndOnTheRightSideThroughTheYear)
{
    for (const double latitude : { -89.9, -45.0, 0.0, 23.44, 45.0, 89.9 }) {
        for (int day = 0; day < 365; ++day) {
            for (int hour = 0; hour < 24; ++hour) {
                const Date date = clockDate(2023, 1, 1, hour, 0, 0).adding(day * 86400.0);
                const auto position = sunPosition(date, TimeZone::utc(), latitude, 0.0);
                ASSERT_GE(position.azimuth, 0.0);
                ASSERT_LT(position.azimuth, 360.0);
                ASSERT_GE(position.elevation, -90.0);
                ASSERT_LE(position.elevation, 90.0);
                // On the Greenwich meridian the clock stays within 17 minutes of solar time.
                if (hour >= 1 && hour <= 11) {
                    ASSERT_LT(position.azimuth, 180.0) << latitude << " " << day << " " << hour;
                }
                if (hour >= 13) {
                    ASSERT_GT(position.azimuth, 180.0) << latitude << " " << day << " " << hour;
                }
                if (hour == 0 && std::abs(latitude) < 60.0) {
                    ASSERT_LT(position.elevation, 0.0) << latitude << " " << day;
                }
            }
        }
    }
}

TEST(SunPositionTest, ClockTimeUsesWholeSecondsFlooredAlsoBefore1970)
{
    // On the equator at local 18:00 the sun sinks about 0.004 degrees a second.
    const auto at = [](double unixSeconds) {
        return sunPosition(Date::sinceUnixEpoch(unixSeconds), TimeZone::utc(), 0.0, -90.0).elevation;
    };
    ASSERT_GT(std::abs(at(0.0) - at(-1.0)), 2e-3);
    EXPECT_NEAR(at(-0.5), at(-1.0), 1e-4);
    EXPECT_NEAR(at(0.5), at(0.0), 1e-4);
}

TEST(SunPositionTest, LongitudesOutsideTheUsualRangeWrapAroundAndNeverHang)
{
    const Date date = clockDate(2010, 6, 21, 18, 0, 0);
    const auto base = sunPosition(date, TimeZone::utc(), 40.0, -105.0);
    for (const double longitude : { 255.0, -465.0, -105.0 + 360.0 * 1000.0 }) {
        const auto wrapped = sunPosition(date, TimeZone::utc(), 40.0, longitude);
        EXPECT_NEAR(wrapped.elevation, base.elevation, 1e-6);
        EXPECT_NEAR(wrapped.azimuth, base.azimuth, 1e-6);
    }
    const auto infinite = sunPosition(date, TimeZone::utc(), 40.0, std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(infinite.elevation));
    EXPECT_TRUE(std::isnan(infinite.azimuth));
}

} // namespace
} // namespace tl
