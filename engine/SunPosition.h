#pragma once

#include "engine/TimeZone.h"
#include "platform/Date.h"

namespace tl {

// The sun as seen from a place, in degrees: geometric elevation (no refraction),
// negative below the horizon; azimuth clockwise from north in [0, 360).
struct SunPosition {
    double elevation;
    double azimuth;
};

// NOAA's low-precision solar position. The clock time and the zone offset are taken
// for the same instant, so the result depends on the instant and the place only.
// Coordinates are not range-checked; they enter the formulas as given.
SunPosition sunPosition(Date date, const TimeZone& timeZone, double latitude, double longitude);

} // namespace tl
