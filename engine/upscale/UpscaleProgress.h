#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace tl {

// How far the preparation of several frames, some upscaled at the same time, has come, counted in
// tiles: each frame weighs the same and moves with every tile of its passes; the time left follows
// from the tiles done so far. Safe to use from the frames' threads.
class UpscaleProgress {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr int unitsPerFrame = 1000;

    explicit UpscaleProgress(
        int frames, Clock clock = [] { return std::chrono::steady_clock::now(); });

    // The tiles of every pass of this frame, known once it is decoded and planned.
    void planFrame(int index, int tiles);
    void tileDone(int index);
    void frameFinished(int index);

    // Progress in units out of totalUnits().
    int units() const;
    int totalUnits() const { return frames_ * unitsPerFrame; }
    // The seconds the tiles still to run will take at the pace of those run so far; frames not yet
    // planned count as many tiles as the planned ones on average. None before the first tile.
    std::optional<double> secondsLeft() const;

private:
    struct Frame {
        int tiles = 0;
        int done = 0;
        bool planned = false;
        bool finished = false;
    };

    int frames_;
    Clock clock_;
    mutable std::mutex mutex_;
    std::vector<Frame> states_;
    std::optional<std::chrono::steady_clock::time_point> firstTileStarted_;
};

} // namespace tl
