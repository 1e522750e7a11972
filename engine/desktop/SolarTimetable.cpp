#include "engine/desktop/SolarTimetable.h"

#include "engine/SunPosition.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <map>
#include <optional>
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

namespace {

bool risingSide(SunPlacement sun)
{
    return sun.azimuthDegrees < 180;
}

// The frame whose light matches the sky's: of the frames taken on the sun's side of noon, the one
// nearest the sun's altitude; the darkest of all while the sun is below every frame of its side.
// A side without frames borrows them all.
class SkyMatcher {
public:
    explicit SkyMatcher(const SolarSchedule& schedule)
    {
        for (const SolarFrame& frame : schedule.frames) {
            (risingSide(frame.sun) ? rising_ : setting_).push_back(frame);
            if (!darkest_ || frame.sun.altitudeDegrees < darkest_->sun.altitudeDegrees) darkest_ = frame;
        }
        if (rising_.empty()) rising_ = setting_;
        if (setting_.empty()) setting_ = rising_;
    }

    std::size_t frameFor(SunPlacement sun) const
    {
        const std::vector<SolarFrame>& side = risingSide(sun) ? rising_ : setting_;
        const SolarFrame* nearest = nullptr;
        bool belowAll = true;
        for (const SolarFrame& frame : side) {
            belowAll = belowAll && sun.altitudeDegrees < frame.sun.altitudeDegrees;
            if (!nearest
                || std::abs(frame.sun.altitudeDegrees - sun.altitudeDegrees)
                    < std::abs(nearest->sun.altitudeDegrees - sun.altitudeDegrees))
                nearest = &frame;
        }
        return belowAll ? darkest_->imageIndex : nearest->imageIndex;
    }

private:
    std::vector<SolarFrame> rising_;
    std::vector<SolarFrame> setting_;
    std::optional<SolarFrame> darkest_;
};

// The loop follows the day's own sky from local midnight, so a day whose clocks change starts
// right too; each change of frame is found to the second.
DayLoop skyLoop(const std::vector<FrameStart>& changes)
{
    DayLoop loop;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const FrameStart& next = changes[(i + 1) % changes.size()];
        const int end = i + 1 < changes.size() ? next.second : kDaySeconds;
        const int span = end - changes[i].second;
        const int fade = next.imageIndex == changes[i].imageIndex ? 0 : std::min(kLongestFade, span / 4);
        loop.turns.push_back({ changes[i].imageIndex, changes[i].second, span - fade, fade });
    }
    return loop;
}

} // namespace

DayLoop dayLoop(const SolarSchedule& schedule, const SolarDay& solarDay)
{
    if (schedule.frames.empty()) return {};
    const Date midnight = localMidnight(solarDay.day, solarDay.zone);
    const auto sunAt = [&](int second) {
        const SunPosition sun
            = sunPosition(midnight.adding(second), solarDay.zone, solarDay.place.latitude, solarDay.place.longitude);
        return SunPlacement { sun.elevation, sun.azimuth };
    };
    const SkyMatcher matcher(schedule);
    std::vector<FrameStart> changes { { matcher.frameFor(sunAt(0)), 0 } };
    std::map<std::size_t, DistantFrame> nearestApproach;
    for (int second = 0; second < kDaySeconds; second += kSampleStep) {
        const SunPlacement sun = sunAt(second);
        for (const SolarFrame& frame : schedule.frames) {
            const double gap = std::abs(frame.sun.altitudeDegrees - sun.altitudeDegrees);
            auto [entry, added]
                = nearestApproach.try_emplace(frame.imageIndex, DistantFrame { frame.imageIndex, gap, second });
            if (gap < entry->second.nearestDegrees) entry->second = { frame.imageIndex, gap, second };
        }
        const std::size_t frame = matcher.frameFor(sun);
        if (frame == changes.back().imageIndex) continue;
        int before = second - kSampleStep;
        int after = second;
        while (after - before > 1) {
            const int middle = (before + after) / 2;
            (matcher.frameFor(sunAt(middle)) == frame ? after : before) = middle;
        }
        changes.push_back({ frame, after });
    }
    DayLoop loop = skyLoop(changes);
    for (const SolarFrame& frame : schedule.frames) {
        const bool shown = std::any_of(loop.turns.begin(), loop.turns.end(),
            [&](const TimedSlot& slot) { return slot.imageIndex == frame.imageIndex; });
        if (!shown) loop.distantFrames.push_back(nearestApproach.at(frame.imageIndex));
    }
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
