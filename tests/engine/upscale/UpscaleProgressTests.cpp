#include "engine/CodingProgress.h"
#include "engine/upscale/UpscaleProgress.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <map>
#include <regex>

namespace tl {
namespace {

using Time = std::chrono::steady_clock::time_point;

Time at(double seconds)
{
    return Time(std::chrono::duration_cast<Time::duration>(std::chrono::duration<double>(seconds)));
}

// "about 3.2 s left", "about 14 s left", "about 2 min left", "about 1 h 5 min left", in seconds.
std::optional<double> secondsLeftIn(const std::string& line)
{
    static const std::regex left(R"(about (?:(\d+) h ?)?(?:(\d+) min)?(?:([0-9.]+) s)? left)");
    std::smatch match;
    if (!std::regex_search(line, match, left)) return std::nullopt;
    const auto part = [&](int index) { return match[index].matched ? std::stod(match[index]) : 0.0; };
    return part(1) * 3600 + part(2) * 60 + part(3);
}

// Two frames upscaled to 8K, as an export on this machine runs them: tiles of about 20 s, one of
// them much slower, each frame scaled and written after its last tile, and both coded into the
// file once they are written. The line is read at every second, as the window shows it.
TEST(UpscaleProgressTest, TimeLeftCountsDownEverySecondAndIncludesTheWorkAfterTheLastTile)
{
    Time now = at(0);
    std::vector<std::string> lines;
    UpscaleProgress progress(
        2, [&](int, int, const std::string& line) { lines.push_back(line); }, PixelSize { 7680, 4320 }, std::nullopt,
        [&] { return now; });

    const double tiles[]
        = { 19, 21, 20, 18, 22, 20, 19, 21, 20, 20, 19, 21, 20, 18, 22, 20, 19, 35, 20, 20, 19, 21, 20, 20 };
    // As measured beside a tile of 90.7 s: 7.4 s to scale a frame to 8K and write it, 70 s to code
    // one such frame alone; two are coded side by side in about 1.4 times that.
    const double finishing = 1.6;
    const double coding = 21;
    constexpr int tilesPerFrame = static_cast<int>(std::size(tiles)) / 2;

    // The events of the run, by time.
    std::multimap<double, std::function<void()>> events;
    double t = 1.5; // decoding and writing the frames first
    events.emplace(t, [&] { progress.passStarted(); });
    events.emplace(t, [&] { progress.passStarted(); });
    double frameEnd = 0;
    for (int i = 0; i < static_cast<int>(std::size(tiles)); ++i) {
        t += tiles[i];
        const int frame = i / tilesPerFrame;
        events.emplace(t, [&progress, frame] { progress.tileDone(frame); });
        if ((i + 1) % tilesPerFrame == 0) {
            frameEnd = t + finishing;
            events.emplace(frameEnd, [&progress, frame] { progress.frameFinished(frame); });
        }
    }
    const double end = frameEnd + coding;

    for (int frame = 0; frame < 2; ++frame) {
        progress.planFrame(frame, tilesPerFrame);
        progress.frameStarted(frame);
    }
    std::vector<double> shown; // every time left the line gave, in order
    std::vector<std::pair<double, double>> eachSecond; // (time, time left shown)
    for (int second = 1; second <= static_cast<int>(frameEnd); ++second) {
        while (!events.empty() && events.begin()->first <= second) {
            now = at(events.begin()->first);
            events.begin()->second();
            events.erase(events.begin());
        }
        now = at(second);
        progress.tick();
        const auto left = lines.empty() ? std::nullopt : secondsLeftIn(lines.back());
        if (left) eachSecond.emplace_back(second, *left);
    }
    for (const auto& line : lines) {
        if (const auto left = secondsLeftIn(line)) shown.push_back(*left);
    }

    int checked = 0;
    for (const auto& [time, left] : eachSecond) {
        if (time < end / 2) continue;
        const double really = end - time;
        EXPECT_LE(left, really * 1.5) << "at " << time << " s of " << end;
        EXPECT_GE(left, really / 1.5) << "at " << time << " s of " << end;
        ++checked;
    }
    // The line's last word comes when the last frame is written; the coding after it is the writer's.
    EXPECT_GE(checked, static_cast<int>(frameEnd - end / 2) - 1) << "every second of the second half shows a time";
    // The texts round to a tenth of a second, a second or a minute; a rise within that is the rounding.
    const auto rounding = [](double left) { return left >= 90 ? 60.0 : left >= 9.95 ? 1.0 : 0.1; };
    for (std::size_t i = 2; i < shown.size(); ++i) {
        const double fell = std::max(shown[i - 2] - shown[i - 1], 0.0);
        EXPECT_LE(shown[i] - shown[i - 1], fell + rounding(shown[i]) + rounding(shown[i - 1]))
            << "report " << i << ": " << shown[i - 1] << " then " << shown[i];
    }
}

// The coding that follows the tiles keeps counting down: ten frames of about 6 s, one of them
// slow, read at every second.
TEST(CodingProgressTest, TimeLeftCountsDownEverySecondWhileFramesCode)
{
    Time now = at(100);
    std::vector<std::string> lines;
    CodingProgress progress(
        10, [&](int, const std::string& line) { lines.push_back(line); }, std::nullopt, [&] { return now; });
    EXPECT_EQ(lines, std::vector<std::string> { "Encoded image 0/10" });

    const double frames[] = { 6, 5.5, 6.5, 6, 11, 6, 5.8, 6.2, 6, 6 };
    std::vector<double> codedAt;
    double t = 0;
    for (const double frame : frames)
        codedAt.push_back(t += frame);
    const double end = t;
    std::size_t next = 0;
    int checked = 0;
    for (int second = 1; second < static_cast<int>(end); ++second) {
        while (next < codedAt.size() && codedAt[next] <= second) {
            now = at(100 + codedAt[next++]);
            progress.frameCoded();
        }
        now = at(100 + second);
        progress.tick();
        const auto left = secondsLeftIn(lines.back());
        ASSERT_EQ(left.has_value(), second >= codedAt[0]) << second << ": " << lines.back();
        if (second < end / 2) continue;
        const double really = end - second;
        EXPECT_LE(*left, really * 1.5 + 1) << "at " << second << " s of " << end;
        EXPECT_GE(*left, really / 1.5 - 1) << "at " << second << " s of " << end;
        ++checked;
    }
    EXPECT_GT(checked, 25);
    now = at(100 + end);
    progress.frameCoded();
    EXPECT_EQ(lines.back(), "Encoded image 10/10");
}

// Ticks that come after the last frame must not say it again: the view takes each line as news.
TEST(CodingProgressTest, TheLastLineIsReportedOnce)
{
    Time now = at(100);
    std::vector<std::string> lines;
    CodingProgress progress(
        2, [&](int, const std::string& line) { lines.push_back(line); }, std::nullopt, [&] { return now; });
    progress.frameCoded();
    progress.tick();
    progress.frameCoded();
    progress.tick();
    progress.tick();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Encoded image 2/2"), 1);
    EXPECT_EQ(lines.size(), 4u);
}

} // namespace
} // namespace tl
