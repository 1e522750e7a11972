#include "DesktopTestSupport.h"
#include "engine/TimeTestSupport.h"
#include "engine/desktop/GnomeBackground.h"
#include "platform/ImageDecoding.h"
#include "support/TestImageFiles.h"

#include <gnome-bg/gnome-bg-slide-show.h>
#include <gtest/gtest.h>

#include <cmath>

namespace tl {
namespace {

namespace fs = std::filesystem;
using namespace desktop;

constexpr double kLatitude = 52.37;
constexpr double kLongitude = 4.90;
constexpr int kSummerOffset = 7200;

struct LocalTime {
    int hour;
    int minute;
};

Date onSolstice(LocalTime time)
{
    return test::clockDate(2026, 6, 21, time.hour, time.minute, 0, kSummerOffset);
}

// The file GNOME's reader shows at an instant, or "" while it cross-fades.
std::string shownAt(GnomeBGSlideShow* show, Date instant)
{
    const double total = gnome_bg_slide_show_get_total_duration(show);
    double offset = std::fmod(instant.secondsSinceUnixEpoch() - gnome_bg_slide_show_get_start_time(show), total);
    if (offset < 0) offset += total;
    for (int i = 0; i < gnome_bg_slide_show_get_num_slides(show); ++i) {
        double progress = 0, duration = 0;
        gboolean fixed = FALSE;
        const char* from = nullptr;
        const char* to = nullptr;
        gnome_bg_slide_show_get_slide(show, i, 1920, 1080, &progress, &duration, &fixed, &from, &to);
        if (offset < duration) return fixed ? from : "";
        offset -= duration;
    }
    return "";
}

TEST(GnomeBackground, SlideshowShowsTheFrameWhoseSunPositionMatchesTheHourInGnomesOwnReader)
{
    const test::ScopedLocalZone amsterdam("CET-1CEST,M3.5.0,M10.5.0/3");
    // Frames in file order made for these local times; the file order is not the day's order.
    const std::vector<LocalTime> madeFor
        = { { 10, 0 }, { 23, 30 }, { 7, 0 }, { 13, 40 }, { 21, 0 }, { 17, 0 }, { 3, 0 } };
    SolarSchedule schedule;
    std::vector<int> levels;
    for (std::size_t i = 0; i < madeFor.size(); ++i) {
        schedule.frames.push_back({ i, test::sunAt(onSolstice(madeFor[i]), kLatitude, kLongitude) });
        levels.push_back(20 + 30 * static_cast<int>(i));
    }
    const WallpaperSource source { "Solstice", { madeFor.size(), schedule }, test::flatImages(levels) };
    const test::ScratchFolder scratch;
    const auto written
        = writeGnomeWallpaper(source, { { kLatitude, kLongitude }, { 2026, 6, 21 }, TimeZone::current() },
            userGnomeFolders(scratch.path, source.name));
    ASSERT_TRUE(written) << written.error().text;
    EXPECT_TRUE(written.value().notes.empty());
    EXPECT_EQ(written.value().picture, scratch.path / "backgrounds" / "Solstice" / "Solstice.xml");

    const test::GnomeReaderLeaksIgnored ignored;
    g_autoptr(GnomeBGSlideShow) show = gnome_bg_slide_show_new(written.value().picture.c_str());
    GError* error = nullptr;
    ASSERT_TRUE(gnome_bg_slide_show_load(show, &error)) << (error ? error->message : "");
    EXPECT_DOUBLE_EQ(gnome_bg_slide_show_get_total_duration(show), 86400.0);

    // Each check falls well inside a frame's own turn, where the sun stands near its altitude on its side of noon.
    const std::vector<std::pair<LocalTime, std::size_t>> expected = { { { 1, 0 }, 6 }, { { 7, 0 }, 2 },
        { { 10, 0 }, 0 }, { { 13, 0 }, 3 }, { { 17, 0 }, 5 }, { { 21, 0 }, 4 }, { { 22, 45 }, 1 } };
    for (const auto& [time, frame] : expected) {
        SCOPED_TRACE(std::to_string(time.hour) + ":" + std::to_string(time.minute));
        for (const Date instant : { onSolstice(time), onSolstice(time).adding(86400 * 3) }) {
            const std::string file = shownAt(show, instant);
            ASSERT_FALSE(file.empty());
            const cv::Mat pixels = decodeImageFile(file);
            ASSERT_FALSE(pixels.empty());
            EXPECT_EQ(pixels.at<cv::Vec3b>(0, 0)[0], levels[frame]);
        }
    }

    const std::string listing = test::readBytes(written.value().propertiesFile);
    EXPECT_NE(listing.find("<filename>" + written.value().picture.string() + "</filename>"), std::string::npos);
    EXPECT_EQ(listing.find("filename-dark"), std::string::npos);
}

TEST(GnomeBackground, NamesThatNeedEscapingStayReadableAndAppearanceBecomesALightDarkPair)
{
    const test::ScratchFolder scratch;
    const WallpaperSource source { "Dusk & <Dawn>", { 3, AppearancePair { 2, 0 } }, test::flatImages({ 15, 99, 240 }) };
    const auto written
        = writeGnomeWallpaper(source, {}, { scratch.path / "bg & <x>", scratch.path / "props" / "list.xml" });
    ASSERT_TRUE(written) << written.error().text;
    ASSERT_TRUE(written.value().darkPicture);
    EXPECT_EQ(decodeImageFile(written.value().picture).at<cv::Vec3b>(0, 0)[0], 240);
    EXPECT_EQ(decodeImageFile(*written.value().darkPicture).at<cv::Vec3b>(0, 0)[0], 15);
    const std::string listing = test::readBytes(scratch.path / "props" / "list.xml");
    EXPECT_NE(listing.find("<name>Dusk &amp; &lt;Dawn&gt;</name>"), std::string::npos);
    EXPECT_NE(listing.find("<filename-dark>" + scratch.path.string() + "/bg &amp; &lt;x&gt;/"), std::string::npos);

    // A slideshow whose file names need escaping still loads in GNOME's reader.
    const WallpaperSource timed { "Timed", { 2, TimeOfDaySchedule { { { 0, 0.25 }, { 1, 0.75 } } } },
        test::flatImages({ 1, 2 }) };
    const auto slideshow = writeGnomeWallpaper(timed, {}, { scratch.path / "a & <b>", scratch.path / "t.xml" });
    ASSERT_TRUE(slideshow) << slideshow.error().text;
    const std::string first = test::firstSlideFile(slideshow.value().picture);
    EXPECT_TRUE(!first.empty() && fs::exists(first)) << first;
}

TEST(GnomeBackground, AWallpaperWithoutLayoutOrWithAMissingImageIsRefused)
{
    const test::ScratchFolder scratch;
    const auto plain = writeGnomeWallpaper(
        { "Plain", { 2, std::monostate {} }, test::flatImages({ 1, 2 }) }, {}, userGnomeFolders(scratch.path, "Plain"));
    ASSERT_FALSE(plain);
    EXPECT_EQ(plain.error().kind, DesktopError::Kind::noLayout);
    const auto missing = writeGnomeWallpaper({ "Short", { 2, AppearancePair { 0, 5 } }, test::flatImages({ 1, 2 }) },
        {}, userGnomeFolders(scratch.path, "Short"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind, DesktopError::Kind::badImage);
}

} // namespace
} // namespace tl
