#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tl {

// One typical sun position of the day. The same eleven rows are the generation sheet's phases,
// the inspector's presets and the names the library gives frames that sit at one of them.
struct TimeOfDayRow {
    std::string_view id; // phase key, also the generated frame's name stem
    std::string_view label; // shown on buttons, badges and phase rows
    std::string_view iconName; // preset artwork; "Sunset" borrows the golden-hour picture
    std::string_view helpText;
    double altitude;
    double azimuth;
    // A frame is named after the row when its altitude lies strictly within this of the row's;
    // the horizon row is narrower so it does not swallow its neighbours.
    double altitudeTolerance;
    bool anyAzimuth; // deep night looks the same whichever way the sun lies
};

inline constexpr double kTimeOfDayAzimuthTolerance = 5;

inline constexpr std::array<TimeOfDayRow, 11> kTimeOfDayTable { {
    { "night", "Night", "night", "Sun well below horizon. Deep night lighting.", -30, 0, 1, true },
    { "astronomical", "Astronomical", "astronomical", "Astronomical twilight (about -18° to -12° altitude).", -15, 90,
        1, false },
    { "nautical", "Nautical", "nautical", "Nautical twilight (about -12° to -6° altitude).", -9, 90, 1, false },
    { "civil", "Civil", "civil", "Civil twilight (about -6° to -0.8° altitude).", -3, 90, 1, false },
    { "golden_am", "Golden AM", "golden_am", "Morning golden hour. Sun just above horizon.", 5, 90, 1, false },
    { "morning", "Morning", "morning", "Morning light (sun rising, 10°–30° altitude).", 20, 120, 1, false },
    { "midday", "Midday", "midday", "Midday sun high overhead.", 60, 180, 1, false },
    { "afternoon", "Afternoon", "afternoon", "Afternoon light (sun setting, 10°–30° altitude).", 20, 240, 1, false },
    { "golden_pm", "Golden PM", "golden_pm", "Evening golden hour. Sun just above horizon.", 5, 270, 1, false },
    { "sunset", "Sunset", "golden_pm", "Sun at the horizon. Warm light before dusk.", -0.8, 270, 0.6, false },
    { "civil_dusk", "Dusk", "civil_dusk", "Evening civil twilight after sunset (about -6° to -0.8° altitude).", -3, 270,
        1, false },
} };

// The first row a sun position matches (all tests strict), or none.
const TimeOfDayRow* matchingTimeOfDayRow(double altitude, double azimuth);

} // namespace tl
