#include "engine/CodingProgress.h"

#include "engine/upscale/UpscaleEstimate.h"

#include <algorithm>

namespace tl {
namespace {

double seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

} // namespace

CodingProgress::CodingProgress(
    int frames, Reporter reporter, std::optional<std::chrono::milliseconds> tick, Clock clock)
    : frames_(std::max(frames, 0))
    , reporter_(std::move(reporter))
    , clock_(std::move(clock))
    , started_(clock_())
    , lastCoded_(started_)
{
    const std::lock_guard lock(mutex_);
    report();
    if (tick && reporter_) ticker_ = Ticker(*tick, [this] { this->tick(); });
}

void CodingProgress::frameCoded()
{
    const std::lock_guard lock(mutex_);
    coded_ = std::min(coded_ + 1, frames_);
    lastCoded_ = clock_();
    report();
}

void CodingProgress::tick()
{
    const std::lock_guard lock(mutex_);
    if (coded_ < frames_) report();
}

void CodingProgress::report()
{
    if (!reporter_) return;
    std::string line = "Encoded image " + std::to_string(coded_) + "/" + std::to_string(frames_);
    // Frames are coded one after another at much the same pace, so the coded ones set it.
    if (coded_ > 0 && coded_ < frames_) {
        const TimePoint now = clock_();
        const double running = std::max(seconds(now - lastCoded_), 0.0);
        const double perFrame = secondsPerStep(seconds(lastCoded_ - started_), coded_, running);
        const double left = std::max(perFrame * (frames_ - coded_) - std::min(running, perFrame), 0.0);
        line += " · about " + roughDuration(countdown_.shown(left)) + " left";
    }
    reporter_(coded_, line);
}

} // namespace tl
