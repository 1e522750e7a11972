#include "app/AppState.h"

#include "engine/SolarPositionService.h"
#include "engine/TimeZone.h"

#include <chrono>
#include <cmath>
#include <limits>

namespace tl {
namespace {

constexpr double kReferenceLatitude = 40.0;
constexpr double kReferenceLongitude = 0.0;
constexpr int kMinutesPerSample = 5;
constexpr int kMinutesPerDay = 24 * 60;

std::vector<AppState::SolarTimeSample> buildSolarTable()
{
    using namespace std::chrono;
    const TimeZone utc = TimeZone::utc();
    const auto referenceDay = sys_days{year{2024} / March / 20};
    const Date reference = Date::sinceUnixEpoch(static_cast<double>(referenceDay.time_since_epoch() / 1s));

    std::vector<AppState::SolarTimeSample> table;
    table.reserve(kMinutesPerDay / kMinutesPerSample);
    for (int minute = 0; minute < kMinutesPerDay; minute += kMinutesPerSample) {
        const auto sun = SolarPositionService::sunPosition(reference.adding(minute * 60.0), utc, kReferenceLatitude,
                                                           kReferenceLongitude);
        table.push_back({minute / 60.0, sun.elevation, sun.azimuth});
    }
    return table;
}

}  // namespace

const std::vector<AppState::SolarTimeSample>& AppState::solarTable()
{
    static const std::vector<SolarTimeSample> table = buildSolarTable();
    return table;
}

double AppState::hourForSolarPosition(double altitude, double azimuth)
{
    double bestScore = std::numeric_limits<double>::max();
    double bestHour = 0.0;
    for (const auto& sample : solarTable()) {
        double turn = std::fmod(sample.azimuth - azimuth, 360.0);
        if (turn > 180.0) {
            turn -= 360.0;
        } else if (turn < -180.0) {
            turn += 360.0;
        }
        const double altitudeTerm = (altitude - sample.altitude) / 90.0;
        const double azimuthTerm = turn / 180.0;
        const double score = altitudeTerm * altitudeTerm + azimuthTerm * azimuthTerm;
        if (score < bestScore) {
            bestScore = score;
            bestHour = sample.hour;
        }
    }
    return bestHour;
}

double AppState::effectiveHour(const WallpaperImage& image)
{
    // Non-finite values count as absent: they must never reach the sort.
    if (image.timeOfDay && std::isfinite(*image.timeOfDay)) {
        double hour = std::fmod(*image.timeOfDay, 24.0);
        if (hour < 0.0) hour += 24.0;
        // A tiny negative remainder plus 24 rounds up to 24, which is hour 0.
        return hour >= 24.0 ? 0.0 : hour;
    }
    if (image.altitude && image.azimuth && std::isfinite(*image.altitude) && std::isfinite(*image.azimuth)) {
        return hourForSolarPosition(*image.altitude, *image.azimuth);
    }
    return 0.0;
}

}  // namespace tl
