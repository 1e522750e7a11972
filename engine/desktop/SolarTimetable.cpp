#include "engine/desktop/SolarTimetable.h"

#include "engine/SunPosition.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <ctime>
#include <utility>

namespace tl::desktop {

CivilDay localToday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    return { local.tm_year + 1900, local.tm_mon + 1, local.tm_mday };
}

namespace {

constexpr int kDaySeconds = 86400;
constexpr int kSampleStep = 60;
constexpr int kLongestFade = 300;
constexpr double kPi = 3.141592653589793;

double radians(double degrees)
{
    return degrees * kPi / 180.0;
}

struct FrameStart {
    std::size_t imageIndex;
    int second;
};

// Frames that would start at the same moment are pushed apart so each is shown for a while; the
// backward pass keeps the last one clear of the loop's end.
void spreadApart(std::vector<FrameStart>& starts)
{
    const int count = static_cast<int>(starts.size());
    const int gap = std::max(1, std::min(kSampleStep, kDaySeconds / count));
    for (int i = 1; i < count; ++i)
        starts[i].second = std::max(starts[i].second, starts[i - 1].second + gap);
    int limit = starts.front().second + kDaySeconds;
    for (int i = count - 1; i > 0; --i) {
        starts[i].second = std::min(starts[i].second, limit - gap);
        limit = starts[i].second;
    }
}

DayLoop loopFrom(std::vector<FrameStart> starts)
{
    DayLoop loop;
    if (starts.empty()) return loop;
    std::stable_sort(
        starts.begin(), starts.end(), [](const FrameStart& a, const FrameStart& b) { return a.second < b.second; });
    spreadApart(starts);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const int end = i + 1 < starts.size() ? starts[i + 1].second : starts.front().second + kDaySeconds;
        const int span = end - starts[i].second;
        const int fade = starts.size() == 1 ? 0 : std::min(kLongestFade, span / 4);
        loop.turns.push_back({ starts[i].imageIndex, starts[i].second % kDaySeconds, span - fade, fade });
    }
    return loop;
}

} // namespace

Date localMidnight(const CivilDay& day, const TimeZone& zone)
{
    using namespace std::chrono;
    const sys_days utcDay { year { day.year } / month { static_cast<unsigned>(day.month) }
        / std::chrono::day { static_cast<unsigned>(day.day) } };
    const double utcMidnight = static_cast<double>(duration_cast<seconds>(utcDay.time_since_epoch()).count());
    // The zone's offset is asked twice: once near the day, once at the guessed midnight itself.
    const Date guess = Date::sinceUnixEpoch(utcMidnight - zone.secondsFromGMT(Date::sinceUnixEpoch(utcMidnight)));
    return Date::sinceUnixEpoch(utcMidnight - zone.secondsFromGMT(guess));
}

double angleBetween(SunPlacement a, SunPlacement b)
{
    const double cosine = std::sin(radians(a.altitudeDegrees)) * std::sin(radians(b.altitudeDegrees))
        + std::cos(radians(a.altitudeDegrees)) * std::cos(radians(b.altitudeDegrees))
            * std::cos(radians(a.azimuthDegrees - b.azimuthDegrees));
    return std::acos(std::clamp(cosine, -1.0, 1.0)) * 180.0 / kPi;
}

DayLoop dayLoop(const SolarSchedule& schedule, const SolarDay& solarDay)
{
    const Date midnight = localMidnight(solarDay.day, solarDay.zone);
    const auto sunAt = [&](int second) {
        const SunPosition sun
            = sunPosition(midnight.adding(second), solarDay.zone, solarDay.place.latitude, solarDay.place.longitude);
        return SunPlacement { sun.elevation, sun.azimuth };
    };
    std::array<SunPlacement, kDaySeconds / kSampleStep> samples;
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = sunAt(static_cast<int>(i) * kSampleStep);

    std::vector<FrameStart> starts;
    std::vector<DistantFrame> distant;
    for (const SolarFrame& frame : schedule.frames) {
        std::size_t nearestSample = 0;
        double nearest = 360.0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const double angle = angleBetween(samples[i], frame.sun);
            if (angle < nearest) nearest = angle, nearestSample = i;
        }
        // The sampled minimum is refined to the second within one step either side.
        int low = std::max(0, static_cast<int>(nearestSample) * kSampleStep - kSampleStep);
        int high = std::min(kDaySeconds - 1, static_cast<int>(nearestSample) * kSampleStep + kSampleStep);
        while (high - low > 2) {
            const int third = (high - low) / 3;
            if (angleBetween(sunAt(low + third), frame.sun) < angleBetween(sunAt(high - third), frame.sun))
                high = high - third;
            else
                low = low + third;
        }
        int best = low;
        for (int second = low + 1; second <= high; ++second)
            if (angleBetween(sunAt(second), frame.sun) < angleBetween(sunAt(best), frame.sun)) best = second;
        nearest = std::min(nearest, angleBetween(sunAt(best), frame.sun));
        starts.push_back({ frame.imageIndex, best });
        if (nearest > kNearSunDegrees) distant.push_back({ frame.imageIndex, nearest, best });
    }
    DayLoop loop = loopFrom(std::move(starts));
    loop.distantFrames = std::move(distant);
    return loop;
}

DayLoop dayLoop(const TimeOfDaySchedule& schedule)
{
    std::vector<FrameStart> starts;
    for (const TimedFrame& frame : schedule.frames) {
        const double fraction
            = std::isfinite(frame.dayFraction) ? frame.dayFraction - std::floor(frame.dayFraction) : 0;
        starts.push_back(
            { frame.imageIndex, std::min(kDaySeconds - 1, static_cast<int>(std::lround(fraction * kDaySeconds))) });
    }
    return loopFrom(std::move(starts));
}

} // namespace tl::desktop
