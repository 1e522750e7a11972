#include "engine/SunPosition.h"

#include <algorithm>
#include <cmath>

namespace tl {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kMinutesPerDay = 1440.0;

double rad(double degrees)
{
    return degrees * kPi / 180.0;
}

double deg(double radians)
{
    return radians * 180.0 / kPi;
}

// Floating-point remainder brought into [0, modulus).
double wrapped(double value, double modulus)
{
    const double remainder = std::fmod(value, modulus);
    return remainder < 0.0 ? remainder + modulus : remainder;
}

struct ClockTime {
    double hour;
    double minute;
    double second;
};

// Whole-second wall-clock time; floored, so instants before 1970 do not round
// towards the next second.
ClockTime clockTime(double localSeconds)
{
    const double secondOfDay = wrapped(std::floor(localSeconds), 86400.0);
    const double hour = std::floor(secondOfDay / 3600.0);
    const double minute = std::floor((secondOfDay - hour * 3600.0) / 60.0);
    return { hour, minute, secondOfDay - hour * 3600.0 - minute * 60.0 };
}

} // namespace

SunPosition sunPosition(Date date, const TimeZone& timeZone, double latitude, double longitude)
{
    const double unixSeconds = date.secondsSinceUnixEpoch();
    const double julianDay = unixSeconds / 86400.0 + 2440587.5;
    const double T = (julianDay - 2451545.0) / 36525.0;

    const double L0 = wrapped(280.46646 + T * (36000.76983 + 0.0003032 * T), 360.0);
    const double M = 357.52911 + T * (35999.05029 - 0.0001537 * T);
    const double e = 0.016708634 - T * (0.000042037 + 0.0000001267 * T);
    const double omega = 125.04 - 1934.136 * T;
    const double epsilon0 = 23.0 + (26.0 + (21.448 - T * (46.815 + T * (0.00059 - 0.001813 * T))) / 60.0) / 60.0;
    const double epsilon = epsilon0 + 0.00256 * std::cos(rad(omega));
    const double halfObliquityTangent = std::tan(rad(epsilon) / 2.0);
    const double y = halfObliquityTangent * halfObliquityTangent;

    const double equationOfTime = 4.0
        * deg(y * std::sin(2.0 * rad(L0)) - 2.0 * e * std::sin(rad(M))
            + 4.0 * e * y * std::sin(rad(M)) * std::cos(2.0 * rad(L0)) - 0.5 * y * y * std::sin(4.0 * rad(L0))
            - 1.25 * e * e * std::sin(2.0 * rad(M)));

    const double zoneOffset = timeZone.secondsFromGMT(date);
    const ClockTime clock = clockTime(unixSeconds + zoneOffset);
    // A single remainder rather than repeated steps of a day: the same result for
    // ordinary coordinates, and it still ends for huge or infinite longitudes.
    const double trueSolarTime = wrapped(clock.hour * 60.0 + clock.minute + clock.second / 60.0 + 4.0 * longitude
            + equationOfTime - 60.0 * (zoneOffset / 3600.0),
        kMinutesPerDay);

    const double C = std::sin(rad(M)) * (1.914602 - T * (0.004817 + 0.000014 * T))
        + std::sin(rad(2.0 * M)) * (0.019993 - 0.000101 * T) + std::sin(rad(3.0 * M)) * 0.000289;
    const double lambda = L0 + C - 0.00569 - 0.00478 * std::sin(rad(omega));
    const double declination = deg(std::asin(std::sin(rad(epsilon)) * std::sin(rad(lambda))));

    const double hourAngle = trueSolarTime / 4.0 - 180.0;

    const double cosZenith = std::clamp(std::sin(rad(latitude)) * std::sin(rad(declination))
            + std::cos(rad(latitude)) * std::cos(rad(declination)) * std::cos(rad(hourAngle)),
        -1.0, 1.0);
    const double elevation = 90.0 - deg(std::acos(cosZenith));
    const double azimuth = wrapped(
        deg(std::atan2(std::sin(rad(hourAngle)),
            std::cos(rad(hourAngle)) * std::sin(rad(latitude)) - std::tan(rad(declination)) * std::cos(rad(latitude))))
            + 180.0,
        360.0);
    return { elevation, azimuth };
}

} // namespace tl
