#include "engine/upscale/UpscaleProgress.h"

#include "engine/upscale/UpscaleEstimate.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tl {
namespace {

// "2", "1 and 3", "1, 3 and 4".
std::string numberList(const std::vector<int>& numbers)
{
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) text += i + 1 == numbers.size() ? " and " : ", ";
        text += std::to_string(numbers[i]);
    }
    return text;
}

} // namespace

UpscaleProgress::UpscaleProgress(int frames, Reporter reporter, Clock clock)
    : frames_(std::max(frames, 0))
    , reporter_(std::move(reporter))
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
    frame.done = std::min(frame.done, frame.tiles);
    frame.planned = true;
}

void UpscaleProgress::frameStarted(int index)
{
    const std::lock_guard lock(mutex_);
    if (index >= 0 && index < frames_) states_[static_cast<std::size_t>(index)].started = true;
}

void UpscaleProgress::passStarted()
{
    const std::lock_guard lock(mutex_);
    // Tiles run one at a time on one network, so the pace is counted from the first pass of any frame.
    if (!firstPassStarted_) firstPassStarted_ = clock_();
    report({});
}

void UpscaleProgress::tileDone(int index)
{
    const std::lock_guard lock(mutex_);
    if (index < 0 || index >= frames_) return;
    auto& frame = states_[static_cast<std::size_t>(index)];
    frame.done = std::min(frame.done + 1, frame.tiles);
    report({});
}

void UpscaleProgress::frameFinished(int index)
{
    const std::lock_guard lock(mutex_);
    if (index < 0 || index >= frames_) return;
    auto& frame = states_[static_cast<std::size_t>(index)];
    // A finished frame has nothing left to run, whether or not it was ever planned.
    frame.planned = true;
    if (!frame.finished) ++finished_;
    frame.finished = true;
    frame.done = frame.tiles;
    report("Preprocessed frame " + std::to_string(finished_) + "/" + std::to_string(frames_));
}

void UpscaleProgress::report(const std::string& otherwise) const
{
    if (reporter_) reporter_(units(), totalUnits(), runLine().value_or(otherwise));
}

double UpscaleProgress::unplannedFramesTiles() const
{
    int planned = 0, tiles = 0;
    for (const auto& frame : states_) {
        if (!frame.planned) continue;
        ++planned;
        tiles += frame.tiles;
    }
    const auto unplanned = static_cast<double>(frames_ - planned);
    return planned > 0 ? static_cast<double>(tiles) / planned * unplanned : 0;
}

int UpscaleProgress::units() const
{
    long long units = 0;
    for (const auto& frame : states_)
        units += static_cast<long long>(frame.done) * unitsPerTile + (frame.finished ? unitsPerFrame : 0);
    return static_cast<int>(std::min<long long>(units, std::numeric_limits<int>::max()));
}

int UpscaleProgress::totalUnits() const
{
    double units = static_cast<double>(frames_) * unitsPerFrame + unplannedFramesTiles() * unitsPerTile;
    for (const auto& frame : states_)
        units += static_cast<double>(frame.tiles) * unitsPerTile;
    return static_cast<int>(std::min(std::lround(units), static_cast<long>(std::numeric_limits<int>::max())));
}

std::optional<double> UpscaleProgress::secondsLeft() const
{
    int done = 0, left = 0;
    for (const auto& frame : states_) {
        done += frame.done;
        left += frame.tiles - frame.done;
    }
    if (done == 0 || !firstPassStarted_) return std::nullopt;
    const double perTile = std::chrono::duration<double>(clock_() - *firstPassStarted_).count() / done;
    return perTile * (left + unplannedFramesTiles());
}

std::optional<std::string> UpscaleProgress::runLine() const
{
    int done = 0, tiles = 0;
    std::vector<int> inWork;
    for (std::size_t index = 0; index < states_.size(); ++index) {
        const auto& frame = states_[index];
        done += frame.done;
        tiles += frame.tiles;
        if (frame.started && !frame.finished && frame.tiles > 0) inWork.push_back(static_cast<int>(index) + 1);
    }
    // A run with tiles keeps its line to the end, so no frame's own message ever replaces it.
    if (tiles == 0) return std::nullopt;
    std::string line = "Upscaling";
    if (!inWork.empty()) {
        line += inWork.size() == 1 ? " frame " : " frames ";
        line += numberList(inWork) + " of " + std::to_string(frames_);
    }
    line += " · tile " + std::to_string(done) + " of " + std::to_string(tiles);
    if (const auto left = secondsLeft()) line += " · about " + roughDuration(*left) + " left";
    return line;
}

} // namespace tl
