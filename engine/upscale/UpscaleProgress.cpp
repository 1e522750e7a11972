#include "engine/upscale/UpscaleProgress.h"

#include "engine/upscale/Countdown.h"
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

// Without a canvas a frame is written at its upscaled size: each tile adds a step of 480 input
// pixels, four times larger, on either side.
constexpr double megapixelsPerTile = 480.0 * 4 * 480.0 * 4 / 1e6;

double seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

} // namespace

UpscaleProgress::UpscaleProgress(int frames, Reporter reporter, std::optional<PixelSize> canvas,
    std::optional<std::chrono::milliseconds> tick, Clock clock)
    : frames_(std::max(frames, 0))
    , reporter_(std::move(reporter))
    , canvas_(canvas)
    , tick_(tick)
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
    if (!firstPassStarted_) {
        firstPassStarted_ = clock_();
        if (tick_ && reporter_) ticker_ = Ticker(*tick_, [this] { tick(); });
    }
    report({});
}

void UpscaleProgress::tileDone(int index)
{
    const std::lock_guard lock(mutex_);
    if (index < 0 || index >= frames_) return;
    auto& frame = states_[static_cast<std::size_t>(index)];
    frame.done = std::min(frame.done + 1, frame.tiles);
    lastTileDone_ = clock_();
    if (frame.done == frame.tiles) frame.tilesEnded = lastTileDone_;
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
    // Tiles a pass did not report are done by now.
    if (frame.done < frame.tiles) lastTileDone_ = clock_();
    frame.done = frame.tiles;
    report("Preprocessed frame " + std::to_string(finished_) + "/" + std::to_string(frames_));
}

void UpscaleProgress::tick()
{
    const std::lock_guard lock(mutex_);
    if (firstPassStarted_ && !allFinished()) report({});
}

void UpscaleProgress::report(const std::string& otherwise)
{
    if (reporter_) reporter_(units(), totalUnits(), runLine(clock_()).value_or(otherwise));
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

double UpscaleProgress::afterTilesSeconds(const Frame& frame, double perTile, TimePoint now) const
{
    if (frame.tiles == 0) return 0;
    const double megapixels
        = canvas_ ? canvas_->width * canvas_->height / 1e6 : static_cast<double>(frame.tiles) * megapixelsPerTile;
    const double coding = codingTilesPerMegapixel * megapixels * perTile;
    if (frame.finished) return coding;
    double finishing = finishingTilesPerMegapixel * megapixels * perTile;
    if (frame.tilesEnded) finishing = std::max(finishing - seconds(now - *frame.tilesEnded), 0.0);
    return finishing + coding;
}

std::optional<double> UpscaleProgress::secondsLeft(TimePoint now) const
{
    int done = 0;
    double left = unplannedFramesTiles();
    for (const auto& frame : states_) {
        done += frame.done;
        left += frame.tiles - frame.done;
    }
    if (done == 0 || !firstPassStarted_ || !lastTileDone_) return std::nullopt;
    // The tiles done so far set the pace; a tile running longer than that slows it at once.
    const double tilesTime = seconds(*lastTileDone_ - *firstPassStarted_);
    const double running = std::max(seconds(now - *lastTileDone_), 0.0);
    const double perTile = secondsPerStep(tilesTime, done, running);
    double total = left > 0 ? perTile * left - std::min(running, perTile) : 0;
    for (const auto& frame : states_)
        total += afterTilesSeconds(frame, perTile, now);
    const double unplannedMegapixels = canvas_ ? canvas_->width * canvas_->height / 1e6
            * (frames_ - static_cast<double>(std::ranges::count_if(states_, &Frame::planned)))
                                               : unplannedFramesTiles() * megapixelsPerTile;
    return total + unplannedMegapixels * (finishingTilesPerMegapixel + codingTilesPerMegapixel) * perTile;
}

std::optional<std::string> UpscaleProgress::runLine(TimePoint now)
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
    if (const auto left = secondsLeft(now)) {
        line += " · about " + roughDuration(countdown_.shown(*left)) + " left";
    }
    return line;
}

} // namespace tl
