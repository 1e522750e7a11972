#pragma once

#include "engine/PixelSize.h"
#include "engine/upscale/Countdown.h"
#include "platform/Ticker.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tl {

// How far the preparation of several frames, some upscaled at the same time, has come, and the one
// line that says so. The work is counted in units: a frame's own work (decoding, scaling, writing)
// and every tile of its passes, a tile weighing as much as several frames, so the count keeps pace
// with the time. Safe to use from the frames' threads; reports are made one at a time, in the order
// of the changes they show.
class UpscaleProgress {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // (units done, units in all, message)
    using Reporter = std::function<void(int units, int totalUnits, const std::string& message)>;
    static constexpr int unitsPerFrame = 100;
    // A tile takes several seconds on a desktop, a frame's own work about one.
    static constexpr int unitsPerTile = 8 * unitsPerFrame;
    // Scaling an upscaled frame to the canvas and writing it, then coding it into the wallpaper,
    // in tiles' time per megapixel of the frame written: both run on the same processor as the
    // tiles, so the share holds on slow and fast machines alike. Measured on 8K exports.
    static constexpr double finishingTilesPerMegapixel = 0.003;
    static constexpr double codingTilesPerMegapixel = 0.02;

    // `canvas` is the size every frame is written at, when there is one. Once the first pass starts,
    // the line is reported again every `tick` (none: only on changes), so the time left counts down
    // between tiles.
    explicit UpscaleProgress(
        int frames, Reporter reporter = {}, std::optional<PixelSize> canvas = std::nullopt,
        std::optional<std::chrono::milliseconds> tick = std::chrono::seconds(1),
        Clock clock = [] { return std::chrono::steady_clock::now(); });
    UpscaleProgress(const UpscaleProgress&) = delete;
    UpscaleProgress& operator=(const UpscaleProgress&) = delete;

    // The tiles of every pass of this frame (none when its plan has no pass): first as its header
    // promises, then again once it is decoded. Frames not yet planned count as many tiles as the
    // planned ones on average.
    void planFrame(int index, int tiles);
    void frameStarted(int index);

    // Each of these reports. When any frame has tiles, the message is the whole run's line:
    // "Upscaling frames 1 and 3 of 5 · tile 37 of 120 · about 29 s left", naming the frames in work
    // that have tiles (none once they are all written), with the time left from the first tile on.
    // Without tiles a finished frame reports "Preprocessed frame <finished>/<frames>".
    void passStarted();
    void tileDone(int index);
    void frameFinished(int index);
    // Reports the line again at the clock's time.
    void tick();

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    struct Frame {
        int tiles = 0;
        int done = 0;
        bool planned = false;
        bool started = false;
        bool finished = false;
        std::optional<TimePoint> tilesEnded;
    };

    double unplannedFramesTiles() const;
    int units() const;
    int totalUnits() const;
    double afterTilesSeconds(const Frame& frame, double perTile, TimePoint now) const;
    std::optional<double> secondsLeft(TimePoint now) const;
    std::optional<std::string> runLine(TimePoint now);
    void report(const std::string& otherwise);
    bool allFinished() const { return finished_ == frames_; }

    int frames_;
    Reporter reporter_;
    std::optional<PixelSize> canvas_;
    std::optional<std::chrono::milliseconds> tick_;
    Clock clock_;
    mutable std::mutex mutex_;
    std::vector<Frame> states_;
    int finished_ = 0;
    std::optional<TimePoint> firstPassStarted_;
    std::optional<TimePoint> lastTileDone_;
    SteadyCountdown countdown_;
    // Last, so it stops before anything it reads is gone.
    Ticker ticker_;
};

} // namespace tl
