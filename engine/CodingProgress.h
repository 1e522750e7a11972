#pragma once

#include "engine/upscale/Countdown.h"
#include "platform/Ticker.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace tl {

// How far the coding of a wallpaper's frames has come, in one line: "Encoded image 3/10", and from
// the first coded frame on "· about 40 s left", reported again every `tick` so the time left counts
// down while a frame codes. Safe to use from the frames' threads; reports are made one at a time.
class CodingProgress {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // (frames coded, message)
    using Reporter = std::function<void(int coded, const std::string& message)>;

    // Coding starts now: reports "Encoded image 0/<frames>".
    CodingProgress(
        int frames, Reporter reporter, std::optional<std::chrono::milliseconds> tick = std::chrono::seconds(1),
        Clock clock = [] { return std::chrono::steady_clock::now(); });
    CodingProgress(const CodingProgress&) = delete;
    CodingProgress& operator=(const CodingProgress&) = delete;

    void frameCoded();
    // Reports the line again at the clock's time.
    void tick();

private:
    using TimePoint = std::chrono::steady_clock::time_point;

    void report();

    int frames_;
    Reporter reporter_;
    Clock clock_;
    std::mutex mutex_;
    int coded_ = 0;
    TimePoint started_;
    TimePoint lastCoded_;
    SteadyCountdown countdown_;
    // Last, so it stops before anything it reads is gone.
    Ticker ticker_;
};

} // namespace tl
