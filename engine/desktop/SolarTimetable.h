#pragma once

#include "engine/LocationProvider.h"
#include "engine/TimeZone.h"
#include "engine/desktop/DynamicWallpaper.h"
#include "platform/Date.h"

#include <cstddef>
#include <vector>

namespace tl::desktop {

// A day on the calendar of the place the times are worked out for.
struct CivilDay {
    int year = 2000;
    int month = 1;
    int day = 1;

    friend bool operator==(const CivilDay&, const CivilDay&) = default;
};

// Today on the process's local clock.
CivilDay localToday();

// The place, the day and the zone whose clock the times are read on.
struct SolarDay {
    Location place { 0, 0 };
    CivilDay day;
    TimeZone zone = TimeZone::utc();
};

// One image's turn in a 24-hour loop, in seconds after the day's local midnight: shown alone for
// `holdSeconds`, then cross-faded into the next slot's image for `fadeSeconds`.
struct TimedSlot {
    std::size_t imageIndex = 0;
    int startSecond = 0;
    int holdSeconds = 0;
    int fadeSeconds = 0;
};

// A frame left out on this day because the sun never stands at its altitude on its side of noon.
struct DistantFrame {
    std::size_t imageIndex = 0;
    double nearestDegrees = 0; // the smallest gap between the sun's altitude and the frame's
    int nearestSecond = 0; // when that happens, after local midnight
};

// Slots in the order they are shown, starting with the earliest; their spans add up to 86400 s.
struct DayLoop {
    std::vector<TimedSlot> turns;
    std::vector<DistantFrame> distantFrames; // in file order
};

// The instant of local midnight starting `day` on the zone's clock.
Date localMidnight(const CivilDay& day, const TimeZone& zone);

// Each frame is shown while its light matches the sky's: by the sun's altitude on its side of noon
// (the frames' azimuths tell which side each was taken on), the darkest frame while the sun is below
// every frame of its side. The loop starts at local midnight.
DayLoop dayLoop(const SolarSchedule& schedule, const SolarDay& solarDay);
// Each frame starts at its fraction of the day.
DayLoop dayLoop(const TimeOfDaySchedule& schedule);

} // namespace tl::desktop
