#include "app/TweenRecord.h"

#include "app/AppState.h"

#include <algorithm>
#include <cmath>

namespace tl {
namespace {

double wrapped(double value, double period)
{
    double result = std::fmod(value, period);
    if (result < 0) result += period;
    // A tiny negative remainder plus the period rounds up to the period itself.
    return result >= period ? 0.0 : result;
}

double azimuthBetween(double from, double to, double t)
{
    double delta = std::fmod(to - from, 360.0);
    if (delta > 180)
        delta -= 360;
    else if (delta < -180)
        delta += 360;
    return wrapped(from + t * delta, 360);
}

double hourBetween(double from, double to, double t)
{
    double span = to - from;
    if (span < 0) span += 24;
    return wrapped(from + span * t, 24);
}

} // namespace

WallpaperImage makeTweenRecord(const WallpaperImage& source, const WallpaperImage& target, TweenStep step,
    WallpaperMode mode, const std::filesystem::path& file)
{
    WallpaperImage record {
        .id = Uuid::random(),
        .fileName = file.filename().string(),
        .isTween = true,
        .parentId = source.id,
        .sourcePath = file.string(),
    };
    if (mode == WallpaperMode::appearance) {
        record.isLight = source.isLight;
        return record;
    }
    const double t = static_cast<double>(step.number) / (std::max(1, step.count) + 1);
    const double fromAltitude = source.altitude.value_or(0);
    record.altitude = fromAltitude + t * (target.altitude.value_or(0) - fromAltitude);
    record.azimuth = azimuthBetween(source.azimuth.value_or(0), target.azimuth.value_or(0), t);
    record.timeOfDay = hourBetween(AppState::effectiveHour(source), AppState::effectiveHour(target), t);
    return record;
}

} // namespace tl
