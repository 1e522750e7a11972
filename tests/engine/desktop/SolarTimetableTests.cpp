#include "DesktopTestSupport.h"
#include "engine/TimeTestSupport.h"
#include "engine/desktop/SolarTimetable.h"

#include <gtest/gtest.h>

#include <numeric>

namespace tl {
namespace {

using namespace desktop;

int loopLength(const DayLoop& loop)
{
    return std::accumulate(loop.turns.begin(), loop.turns.end(), 0,
        [](int sum, const TimedSlot& slot) { return sum + slot.holdSeconds + slot.fadeSeconds; });
}

TEST(SolarTimetable, EachFrameStartsWhenTheSunReachesItsPositionAndTheLoopLastsADay)
{
    const test::ScopedLocalZone mountain(test::kMountainTime);
    const SolarDay day { { 39.74, -104.99 }, { 2026, 9, 3 }, TimeZone::current() };
    // Midnight is found on the zone's clock, summer time included.
    EXPECT_EQ(localMidnight(day.day, day.zone), test::clockDate(2026, 9, 3, 0, 0, 0, -6 * 3600));

    SolarSchedule schedule;
    for (std::size_t hour = 0; hour < 24; ++hour)
        schedule.frames.push_back({ hour,
            test::sunAt(test::clockDate(2026, 9, 3, static_cast<int>(hour), 20, 0, -6 * 3600), 39.74, -104.99) });
    const DayLoop loop = dayLoop(schedule, day);
    EXPECT_TRUE(loop.distantFrames.empty());
    EXPECT_EQ(loopLength(loop), 86400);
    ASSERT_FALSE(loop.turns.empty());
    EXPECT_EQ(loop.turns.front().startSecond, 0);
    int turnStart = 0;
    for (const TimedSlot& slot : loop.turns) {
        SCOPED_TRACE(slot.imageIndex);
        EXPECT_EQ(slot.startSecond, turnStart);
        EXPECT_LE(slot.fadeSeconds, 300);
        turnStart += slot.holdSeconds + slot.fadeSeconds;
        // By daylight each frame is on at the time it was taken, when the sun stands at its altitude.
        const int takenAt = static_cast<int>(slot.imageIndex) * 3600 + 20 * 60;
        if (slot.imageIndex >= 8 && slot.imageIndex <= 18) {
            EXPECT_LE(slot.startSecond, takenAt);
            EXPECT_GT(turnStart, takenAt);
        }
    }
}

TEST(SolarTimetable, FramesTheSunNeverComesNearAreReportedWithTheirDistance)
{
    // Amsterdam's sun stands at most about 61 degrees high at the June solstice.
    const SolarDay amsterdam { { 52.37, 4.90 }, { 2026, 6, 21 }, TimeZone::fixed(7200) };
    const SolarSchedule overhead { { { 0, { 80, 180 } },
        { 1, test::sunAt(test::clockDate(2026, 6, 21, 9, 0, 0, 7200), 52.37, 4.90) } } };
    const DayLoop summer = dayLoop(overhead, amsterdam);
    ASSERT_EQ(summer.distantFrames.size(), 1u);
    EXPECT_EQ(summer.distantFrames[0].imageIndex, 0u);
    EXPECT_NEAR(summer.distantFrames[0].nearestDegrees, 80 - 61.1, 0.3);
    EXPECT_NEAR(summer.distantFrames[0].nearestSecond, 13 * 3600 + 40 * 60, 600);

    // Polar night: in Longyearbyen the sun stays below the horizon all day in December.
    const SolarDay svalbard { { 78.22, 15.65 }, { 2026, 12, 21 }, TimeZone::fixed(3600) };
    const DayLoop winter = dayLoop(SolarSchedule { { { 0, { 10, 180 } }, { 1, { -30, 0 } } } }, svalbard);
    // The frame taken at -30 degrees on the rising side is shown while the sun passes that altitude.
    ASSERT_EQ(winter.distantFrames.size(), 1u);
    EXPECT_NEAR(winter.distantFrames[0].nearestDegrees, 10 + 11.6, 0.5);
    EXPECT_EQ(loopLength(winter), 86400);
}

TEST(SolarTimetable, FramesDueAtTheSameMomentEachGetATurn)
{
    const SolarDay day { { 52.37, 4.90 }, { 2026, 6, 21 }, TimeZone::fixed(7200) };
    const SunPlacement noon = test::sunAt(test::clockDate(2026, 6, 21, 13, 40, 0, 7200), 52.37, 4.90);
    const DayLoop loop = dayLoop(SolarSchedule { { { 0, noon }, { 1, noon }, { 2, noon } } }, day);
    EXPECT_EQ(loopLength(loop), 86400);
    for (const TimedSlot& slot : loop.turns)
        EXPECT_EQ(slot.imageIndex, 0u); // frames of one light: the first stands for them all

    // Clock times: sorted, wrapped past midnight, a lone frame held all day without a fade.
    const DayLoop clock = dayLoop(TimeOfDaySchedule { { { 0, 0.75 }, { 1, 1.25 }, { 2, 0.0 } } });
    ASSERT_EQ(clock.turns.size(), 3u);
    EXPECT_EQ(clock.turns[0].imageIndex, 2u);
    EXPECT_EQ(clock.turns[1].startSecond, 21600);
    EXPECT_EQ(clock.turns[1].holdSeconds + clock.turns[1].fadeSeconds, 43200);
    EXPECT_EQ(loopLength(clock), 86400);
    const DayLoop lone = dayLoop(TimeOfDaySchedule { { { 4, 0.5 } } });
    ASSERT_EQ(lone.turns.size(), 1u);
    EXPECT_EQ(lone.turns[0].holdSeconds, 86400);
    EXPECT_EQ(lone.turns[0].fadeSeconds, 0);
}

} // namespace
} // namespace tl
