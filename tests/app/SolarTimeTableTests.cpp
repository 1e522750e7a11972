#include "app/AppState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tl {
namespace {

TEST(SolarTimeTable, HoldsOneRowEveryFiveMinutesOfTheReferenceDay)
{
    const auto& table = AppState::solarTable();
    ASSERT_EQ(table.size(), 288u);
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_DOUBLE_EQ(table[i].hour, static_cast<double>(i) * 5.0 / 60.0);
        EXPECT_GE(table[i].azimuth, 0.0);
        EXPECT_LT(table[i].azimuth, 360.0);
    }
    // Equinox at latitude 40, longitude 0: the sun culminates near 12:05 UTC at about 50 degrees.
    const auto noon = std::max_element(
        table.begin(), table.end(), [](const auto& a, const auto& b) { return a.altitude < b.altitude; });
    EXPECT_NEAR(noon->hour, 12.1, 0.1);
    EXPECT_NEAR(noon->altitude, 50.0, 0.5);
}

TEST(SolarTimeTable, EveryRowMapsBackToItsOwnHour)
{
    for (const auto& row : AppState::solarTable()) {
        EXPECT_DOUBLE_EQ(AppState::hourForSolarPosition(row.altitude, row.azimuth), row.hour);
    }
}

TEST(SolarTimeTable, AzimuthDifferencesTakeTheShortTurn)
{
    // Around midnight the sun is due north: 359 and 1 degrees are neighbours.
    const double nearMidnightA = AppState::hourForSolarPosition(-50.0, 359.0);
    const double nearMidnightB = AppState::hourForSolarPosition(-50.0, 1.0);
    EXPECT_TRUE(nearMidnightA > 23.0 || nearMidnightA < 1.0);
    EXPECT_TRUE(nearMidnightB > 23.0 || nearMidnightB < 1.0);
}

TEST(SolarTimeTable, ASunJustPastNorthMatchesTheRowJustBeforeNorth)
{
    // The last row before the sun crosses north, and the first after it.
    const auto& table = AppState::solarTable();
    std::size_t before = 0;
    for (std::size_t i = 0; i + 1 < table.size(); ++i) {
        if (table[i].azimuth > 270.0 && table[i + 1].azimuth < 90.0) before = i;
    }
    const auto& west = table[before];
    const auto& east = table[before + 1];
    ASSERT_GT(west.azimuth, 270.0);
    ASSERT_LT(east.azimuth, 90.0);

    // Halfway between the two rows lies just past 0; a sun between 0 and there is
    // nearer the row at ~359, which only a turn through north can see.
    const double halfway = west.azimuth + (east.azimuth + 360.0 - west.azimuth) / 2.0 - 360.0;
    ASSERT_GT(halfway, 0.0);
    const double altitude = (west.altitude + east.altitude) / 2.0;
    EXPECT_DOUBLE_EQ(AppState::hourForSolarPosition(altitude, halfway / 2.0), west.hour);
    EXPECT_DOUBLE_EQ(AppState::hourForSolarPosition(altitude, halfway * 1.5), east.hour);
}

TEST(SolarTimeTable, ATieGoesToTheEarlierRow)
{
    // So far above every row that all of them score exactly the same.
    EXPECT_EQ(AppState::hourForSolarPosition(1e150, 200.0), AppState::solarTable().front().hour);
}

TEST(SolarTimeTable, MorningAndAfternoonAreToldApartByAzimuth)
{
    const double morning = AppState::hourForSolarPosition(20.0, 110.0);
    const double afternoon = AppState::hourForSolarPosition(20.0, 250.0);
    EXPECT_GT(morning, 6.0);
    EXPECT_LT(morning, 12.0);
    EXPECT_GT(afternoon, 12.0);
    EXPECT_LT(afternoon, 18.0);
}

TEST(SolarTimeTable, NonNumbersFindNoRowAndGiveHourZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(AppState::hourForSolarPosition(nan, 180.0), 0.0);
    EXPECT_EQ(AppState::hourForSolarPosition(30.0, nan), 0.0);
}

TEST(EffectiveHour, WrapsTimeOfDayIntoOneDay)
{
    WallpaperImage image;
    image.timeOfDay = 25.5;
    EXPECT_DOUBLE_EQ(AppState::effectiveHour(image), 1.5);
    image.timeOfDay = -0.5;
    EXPECT_DOUBLE_EQ(AppState::effectiveHour(image), 23.5);
    image.timeOfDay = 24.0;
    EXPECT_DOUBLE_EQ(AppState::effectiveHour(image), 0.0);
    image.timeOfDay = -1e-18;
    EXPECT_DOUBLE_EQ(AppState::effectiveHour(image), 0.0);
}

TEST(EffectiveHour, TimeOfDayWinsOverTheSunAndAMissingValueMeansZero)
{
    const auto& row = AppState::solarTable()[200];
    WallpaperImage image;
    image.altitude = row.altitude;
    image.azimuth = row.azimuth;
    EXPECT_DOUBLE_EQ(AppState::effectiveHour(image), row.hour);
    image.timeOfDay = 3.0;
    EXPECT_DOUBLE_EQ(AppState::effectiveHour(image), 3.0);
    image.timeOfDay = std::numeric_limits<double>::quiet_NaN();
    EXPECT_DOUBLE_EQ(AppState::effectiveHour(image), row.hour);

    WallpaperImage altitudeOnly;
    altitudeOnly.altitude = row.altitude;
    EXPECT_EQ(AppState::effectiveHour(altitudeOnly), 0.0);
    EXPECT_EQ(AppState::effectiveHour(WallpaperImage {}), 0.0);
}

} // namespace
} // namespace tl
