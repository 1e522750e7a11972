#include "DesktopTestSupport.h"
#include "engine/TimeTestSupport.h"
#include "engine/desktop/GnomeBackground.h"
#include "support/TestImageFiles.h"

#include <gnome-bg/gnome-bg-slide-show.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>

namespace tl {
namespace {

namespace fs = std::filesystem;
using namespace desktop;

struct Place {
    const char* name;
    Location location;
    const char* zoneRule;
};

const Place kAmsterdam { "Amsterdam", { 52.37, 4.90 }, "CET-1CEST,M3.5.0,M10.5.0/3" };
const Place kSouth { "40 S", { -40.0, 4.90 }, "UTC0" };

// Key frames taken at these UTC times of 21 June 2026, at the sun's real position there.
SolarSchedule solsticeProject(Location madeAt)
{
    const int madeFor[][2] = { { 3, 0 }, { 5, 0 }, { 8, 0 }, { 11, 40 }, { 15, 30 }, { 19, 0 }, { 23, 40 } };
    SolarSchedule schedule;
    for (const auto& [hour, minute] : madeFor)
        schedule.frames.push_back({ schedule.frames.size(),
            test::sunAt(test::clockDate(2026, 6, 21, hour, minute, 0), madeAt.latitude, madeAt.longitude) });
    return schedule;
}

bool rising(SunPlacement sun)
{
    return sun.azimuthDegrees < 180;
}

// The frame whose light matches the sky: among the frames taken on the sun's side of noon, the
// one whose altitude is nearest the sun's; the darkest of all while the sun is below all of them.
std::size_t skyFrame(const SolarSchedule& schedule, SunPlacement sun)
{
    const auto byAltitude
        = [](const SolarFrame& a, const SolarFrame& b) { return a.sun.altitudeDegrees < b.sun.altitudeDegrees; };
    std::vector<SolarFrame> side;
    std::copy_if(schedule.frames.begin(), schedule.frames.end(), std::back_inserter(side),
        [&](const SolarFrame& frame) { return rising(frame.sun) == rising(sun); });
    if (side.empty()
        || sun.altitudeDegrees < std::min_element(side.begin(), side.end(), byAltitude)->sun.altitudeDegrees)
        return std::min_element(schedule.frames.begin(), schedule.frames.end(), byAltitude)->imageIndex;
    return std::min_element(side.begin(), side.end(), [&](const SolarFrame& a, const SolarFrame& b) {
        return std::abs(a.sun.altitudeDegrees - sun.altitudeDegrees)
            < std::abs(b.sun.altitudeDegrees - sun.altitudeDegrees);
    })->imageIndex;
}

struct Slide {
    double seconds;
    std::string file; // "" while cross-fading
};

// The slideshow's slides in order; GNOME's reader lists only the still ones, so the file is read.
std::vector<Slide> slidesOf(const std::string& xml)
{
    std::vector<Slide> slides;
    const std::regex slide(R"(<(static|transition)[^>]*>\s*<duration>(\d+)</duration>\s*<(file|from)>([^<]*)<)");
    for (std::sregex_iterator it(xml.begin(), xml.end(), slide), end; it != end; ++it)
        slides.push_back({ std::stod((*it)[2]), (*it)[1] == "static" ? (*it)[4].str() : "" });
    return slides;
}

std::string shownAt(const std::vector<Slide>& slides, double startTime, Date instant)
{
    double total = 0;
    for (const Slide& slide : slides)
        total += slide.seconds;
    double offset = std::fmod(instant.secondsSinceUnixEpoch() - startTime, total);
    if (offset < 0) offset += total;
    for (const Slide& slide : slides) {
        if (offset < slide.seconds) return slide.file;
        offset -= slide.seconds;
    }
    return "";
}

struct DayScore {
    double matchingShare = 0;
    double worstError = 0; // degrees between the sun's altitude and the shown frame's
    double worstAllowed = 0; // the same for the sky's own frame
};

// Installs the slideshow for `day` and asks GNOME's own reader, minute by minute over that day on
// the place's clock, which frame it shows.
DayScore scoreDay(const SolarSchedule& schedule, const Place& place, CivilDay day)
{
    const test::ScopedLocalZone zone(place.zoneRule);
    const SolarDay solarDay { place.location, day, TimeZone::current() };
    const test::ScratchFolder scratch;
    std::map<std::size_t, fs::path> files;
    std::map<std::string, std::size_t> frameOfFile;
    for (const SolarFrame& frame : schedule.frames) {
        files[frame.imageIndex] = scratch.path / ("frame-" + std::to_string(frame.imageIndex) + ".jpg");
        frameOfFile[files[frame.imageIndex].string()] = frame.imageIndex;
    }
    const fs::path xml = scratch.path / "day.xml";
    const std::string text = slideshowXml(dayLoop(schedule, solarDay), day, files);
    std::ofstream(xml) << text;
    // GNOME's reader says when the loop starts on the local clock and how long it lasts.
    const test::GnomeReaderLeaksIgnored ignored;
    g_autoptr(GnomeBGSlideShow) show = gnome_bg_slide_show_new(xml.c_str());
    EXPECT_TRUE(gnome_bg_slide_show_load(show, nullptr));
    const std::vector<Slide> slides = slidesOf(text);
    EXPECT_DOUBLE_EQ(gnome_bg_slide_show_get_total_duration(show), 86400.0);

    const Date midnight = localMidnight(day, solarDay.zone);
    const std::chrono::sys_days next = std::chrono::sys_days {
        std::chrono::year { day.year } / std::chrono::month { static_cast<unsigned>(day.month) }
        / std::chrono::day { static_cast<unsigned>(day.day) }
    } + std::chrono::days { 1 };
    const std::chrono::year_month_day nextDay { next };
    const CivilDay tomorrow { static_cast<int>(nextDay.year()), static_cast<int>(unsigned(nextDay.month())),
        static_cast<int>(unsigned(nextDay.day())) };
    const int minutes = static_cast<int>(std::lround(
        (localMidnight(tomorrow, solarDay.zone).secondsSinceUnixEpoch() - midnight.secondsSinceUnixEpoch()) / 60));

    DayScore score;
    int matching = 0;
    for (int minute = 0; minute < minutes; ++minute) {
        const Date instant = midnight.adding(minute * 60.0 + 30);
        const SunPlacement sun = test::sunAt(instant, place.location.latitude, place.location.longitude);
        const std::size_t sky = skyFrame(schedule, sun);
        score.worstAllowed
            = std::max(score.worstAllowed, std::abs(schedule.frames[sky].sun.altitudeDegrees - sun.altitudeDegrees));
        const auto shown = frameOfFile.find(shownAt(slides, gnome_bg_slide_show_get_start_time(show), instant));
        if (shown == frameOfFile.end()) continue; // cross-fading
        matching += shown->second == sky;
        score.worstError = std::max(
            score.worstError, std::abs(schedule.frames[shown->second].sun.altitudeDegrees - sun.altitudeDegrees));
    }
    score.matchingShare = static_cast<double>(matching) / minutes;
    return score;
}

void expectFollowsTheSky(const SolarSchedule& schedule, const Place& place, CivilDay day)
{
    SCOPED_TRACE(std::string(place.name) + " " + std::to_string(day.year) + "-" + std::to_string(day.month) + "-"
        + std::to_string(day.day));
    const DayScore score = scoreDay(schedule, place, day);
    std::printf("%s %d-%02d-%02d: %.1f %% of minutes match, worst altitude error %.1f deg (frames allow %.1f)\n",
        place.name, day.year, day.month, day.day, 100 * score.matchingShare, score.worstError, score.worstAllowed);
    EXPECT_GE(score.matchingShare, 0.90);
    EXPECT_LE(score.worstError, score.worstAllowed + 3);
}

const CivilDay kSeasons[] = { { 2026, 3, 20 }, { 2026, 6, 21 }, { 2026, 9, 22 }, { 2026, 12, 21 } };

TEST(SkyLightTimetable, TheShownFrameMatchesTheSkysLightOnEveryDayOfTheYear)
{
    const SolarSchedule amsterdamProject = solsticeProject(kAmsterdam.location);
    for (const CivilDay& day : kSeasons) {
        expectFollowsTheSky(amsterdamProject, kAmsterdam, day);
        expectFollowsTheSky(amsterdamProject, kSouth, day);
        expectFollowsTheSky(solsticeProject(kSouth.location), kSouth, day);
    }
}

TEST(SkyLightTimetable, DaysOnWhichTheClocksChangeKeepTheSkysLight)
{
    const SolarSchedule amsterdamProject = solsticeProject(kAmsterdam.location);
    for (const CivilDay& day : { CivilDay { 2026, 3, 29 }, CivilDay { 2026, 10, 25 } })
        expectFollowsTheSky(amsterdamProject, kAmsterdam, day);
}

} // namespace
} // namespace tl
