#pragma once

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
// with the time. The time left follows from the tiles done so far. Safe to use from the frames'
// threads; reports are made one at a time, in the order of the changes they show.
class UpscaleProgress {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // (units done, units in all, message)
    using Reporter = std::function<void(int units, int totalUnits, const std::string& message)>;
    static constexpr int unitsPerFrame = 100;
    // A tile takes several seconds on a desktop, a frame's own work about one.
    static constexpr int unitsPerTile = 8 * unitsPerFrame;

    explicit UpscaleProgress(
        int frames, Reporter reporter = {}, Clock clock = [] { return std::chrono::steady_clock::now(); });

    // The tiles of every pass of this frame (none when its plan has no pass): first as its header
    // promises, then again once it is decoded. Frames not yet planned count as many tiles as the
    // planned ones on average.
    void planFrame(int index, int tiles);
    void frameStarted(int index);

    // Each of these reports. When any frame has tiles, the message is the whole run's line:
    // "Upscaling frames 1 and 3 of 5 · tile 37 of 120 · about 29 s left", naming the frames in work
    // that have tiles (none once they are all written), with the time left at the pace of the tiles
    // run so far from the first pass on. Without tiles a finished frame reports "Preprocessed frame
    // <finished>/<frames>".
    void passStarted();
    void tileDone(int index);
    void frameFinished(int index);

private:
    struct Frame {
        int tiles = 0;
        int done = 0;
        bool planned = false;
        bool started = false;
        bool finished = false;
    };

    double unplannedFramesTiles() const;
    int units() const;
    int totalUnits() const;
    std::optional<double> secondsLeft() const;
    std::optional<std::string> runLine() const;
    void report(const std::string& otherwise) const;

    int frames_;
    Reporter reporter_;
    Clock clock_;
    mutable std::mutex mutex_;
    std::vector<Frame> states_;
    int finished_ = 0;
    std::optional<std::chrono::steady_clock::time_point> firstPassStarted_;
};

} // namespace tl
