#include "app/TweenRecord.h"

#include <gtest/gtest.h>

#include <vector>

namespace tl {
namespace {

WallpaperImage key(std::optional<double> altitude, std::optional<double> azimuth, std::optional<double> hour)
{
    return { .id = Uuid::random(), .fileName = "k.png", .altitude = altitude, .azimuth = azimuth, .timeOfDay = hour };
}

std::vector<WallpaperImage> tweens(const WallpaperImage& from, const WallpaperImage& to, int count)
{
    std::vector<WallpaperImage> records;
    for (int k = 1; k <= std::max(count, 1); ++k) {
        records.push_back(makeTweenRecord(from, to, { k, count }, WallpaperMode::time, "/tmp/t/k_tween_1.png"));
    }
    return records;
}

TEST(TweenRecord, HoursRunForwardAcrossMidnight)
{
    const auto records = tweens(key(0, 0, 22.0), key(0, 0, 2.0), 3);
    const std::vector<double> expected { 23.0, 0.0, 1.0 };
    for (std::size_t i = 0; i < records.size(); ++i)
        EXPECT_DOUBLE_EQ(*records[i].timeOfDay, expected[i]);
    // Equal hours and an image blended with itself keep that hour.
    const auto same = key(0, 0, 7.5);
    for (const auto& record : tweens(same, same, 2))
        EXPECT_DOUBLE_EQ(*record.timeOfDay, 7.5);
}

TEST(TweenRecord, AzimuthTakesTheShortWayRound)
{
    EXPECT_DOUBLE_EQ(*tweens(key(0, 350, 1), key(0, 10, 2), 1)[0].azimuth, 0.0);
    const auto three = tweens(key(0, 350, 1), key(0, 10, 2), 3);
    EXPECT_DOUBLE_EQ(*three[0].azimuth, 355.0);
    EXPECT_DOUBLE_EQ(*three[1].azimuth, 0.0);
    EXPECT_DOUBLE_EQ(*three[2].azimuth, 5.0);
    // And the other way: 10 to 350 passes 0 going down.
    EXPECT_DOUBLE_EQ(*tweens(key(0, 10, 1), key(0, 350, 2), 3)[0].azimuth, 5.0);
    // A plain stretch stays plain.
    EXPECT_DOUBLE_EQ(*tweens(key(0, 90, 1), key(0, 270, 2), 1)[0].azimuth, 180.0);
}

TEST(TweenRecord, AltitudeIsInterpolatedAndAbsentValuesCountAsZero)
{
    EXPECT_DOUBLE_EQ(*tweens(key(-10, 0, 1), key(30, 0, 2), 1)[0].altitude, 10.0);
    const auto record = tweens(key(std::nullopt, std::nullopt, std::nullopt), key(40, 40, 4.0), 1)[0];
    EXPECT_DOUBLE_EQ(*record.altitude, 20.0);
    EXPECT_DOUBLE_EQ(*record.azimuth, 20.0);
    EXPECT_DOUBLE_EQ(*record.timeOfDay, 2.0); // from hour 0
    // A count below 1 spaces the frame as a single tween.
    EXPECT_DOUBLE_EQ(
        *makeTweenRecord(key(0, 0, 0), key(10, 0, 0), { 1, 0 }, WallpaperMode::time, "a.png").altitude, 5.0);
}

TEST(TweenRecord, RecordsPointAtTheirFileAndTheirSourceKeyImage)
{
    const auto source = key(5, 90, 6);
    const auto record = tweens(source, key(20, 120, 9), 1)[0];
    EXPECT_TRUE(record.isTween);
    EXPECT_EQ(record.parentId, source.id);
    EXPECT_NE(record.id, source.id);
    EXPECT_EQ(record.fileName, "k_tween_1.png");
    EXPECT_EQ(record.sourcePath, "/tmp/t/k_tween_1.png");
    EXPECT_FALSE(record.isLight);
    EXPECT_FALSE(record.tweenCount);
}

TEST(TweenRecord, AppearanceTweensKeepTheSourceLightFlagAndNoPosition)
{
    auto dark = key(10, 10, 3);
    dark.isLight = false;
    const auto record = makeTweenRecord(dark, key(20, 20, 4), { 1, 3 }, WallpaperMode::appearance, "d.png");
    EXPECT_EQ(record.isLight, false);
    EXPECT_FALSE(record.altitude);
    EXPECT_FALSE(record.azimuth);
    EXPECT_FALSE(record.timeOfDay);
}

} // namespace
} // namespace tl
