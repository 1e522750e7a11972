#include "engine/upscale/UpscaleProgress.h"

#include <algorithm>
#include <cmath>

namespace tl {

UpscaleProgress::UpscaleProgress(int frames, Clock clock)
    : frames_(std::max(frames, 0))
    , clock_(std::move(clock))
    , states_(static_cast<std::size_t>(frames_))
{
}

void UpscaleProgress::planFrame(int index, int tiles)
{
    const std::lock_guard lock(mutex_);
    if (index < 0 || index >= frames_) return;
    auto& frame = states_[static_cast<std::size_t>(index)];
    frame.tiles = std::max(tiles, 0);
    frame.planned = true;
    // Tiles run one at a time on one network, so the pace is counted from the first frame that
    // has tiles to run.
    if (tiles > 0 && !firstTileStarted_) firstTileStarted_ = clock_();
}

void UpscaleProgress::tileDone(int index)
{
    const std::lock_guard lock(mutex_);
    if (index < 0 || index >= frames_) return;
    auto& frame = states_[static_cast<std::size_t>(index)];
    frame.done = std::min(frame.done + 1, frame.tiles);
}

void UpscaleProgress::frameFinished(int index)
{
    const std::lock_guard lock(mutex_);
    if (index < 0 || index >= frames_) return;
    auto& frame = states_[static_cast<std::size_t>(index)];
    frame.finished = true;
    frame.done = frame.tiles;
}

int UpscaleProgress::units() const
{
    const std::lock_guard lock(mutex_);
    double frames = 0;
    for (const auto& frame : states_) {
        if (frame.finished) {
            frames += 1;
        } else if (frame.tiles > 0) {
            // A frame is not done with its last tile: writing and resizing follow.
            frames += 0.99 * frame.done / frame.tiles;
        }
    }
    return static_cast<int>(std::lround(frames * unitsPerFrame));
}

std::optional<double> UpscaleProgress::secondsLeft() const
{
    const std::lock_guard lock(mutex_);
    int done = 0, left = 0, plannedTiles = 0, planned = 0, unplanned = 0;
    for (const auto& frame : states_) {
        if (!frame.planned) {
            ++unplanned;
            continue;
        }
        ++planned;
        plannedTiles += frame.tiles;
        done += frame.done;
        left += frame.tiles - frame.done;
    }
    if (done == 0 || !firstTileStarted_) return std::nullopt;
    const double perTile = std::chrono::duration<double>(clock_() - *firstTileStarted_).count() / done;
    const double unplannedTiles = planned > 0 ? static_cast<double>(plannedTiles) / planned * unplanned : 0;
    return perTile * (left + unplannedTiles);
}

} // namespace tl
