#include "engine/FramesInFlight.h"

#include "platform/ProcessLoad.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <utility>

namespace tl {
namespace {

// Busy readings in a row that make a frame's parallel part: a short burst (converting the picture)
// is not one.
constexpr int busyReadingsOfAPart = 2;

} // namespace

// Below four cores the one thread of the last stretch keeps most of them busy: no overlap there.
FramesInFlight::FramesInFlight(int cores, std::function<double()> busyCores, Clock now)
    : busyCores_(std::move(busyCores))
    , now_(std::move(now))
    , busyLevel_(cores >= 4 ? 0.6 * cores : std::numeric_limits<double>::infinity())
    , idleLevel_(std::max(1.25, 0.3 * cores))
{
}

FramesInFlight::FramesInFlight(int cores)
    : FramesInFlight(
        cores, [load = std::make_shared<ProcessLoad>()] { return load->busyCoresSinceLastReading(); },
        [] { return std::chrono::steady_clock::now(); })
{
}

std::optional<FramesInFlight::Coding> FramesInFlight::coding(std::uint64_t pixels, std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    busyCores_(); // the waiting starts a fresh reading
    while (!stop.stop_requested()) {
        if (mayStart()) {
            lead_ = { .serial = ++serials_, .start = now_(), .analysedAfter = std::nullopt, .pixels = pixels };
            busyReadings_ = 0;
            windingDown_ = false;
            return Coding(this, lead_.serial);
        }
        const std::uint64_t seen = finishes_;
        if (!changed_.wait_for(lock, stop, loadInterval, [&] { return finishes_ != seen; })) watch(busyCores_());
    }
    return std::nullopt;
}

bool FramesInFlight::mayStart() const
{
    if (coding_ == 0) return true;
    if (coding_ > 1) return false;
    if (windingDown_) return true;
    if (!known_ || known_->pixels == 0) return false;
    // The last known course, scaled to the running frame's size, less the next frame's own start.
    const double scale = static_cast<double>(lead_.pixels) / static_cast<double>(known_->pixels);
    const auto expected = std::chrono::duration_cast<Duration>(known_->windingDownAfter * scale);
    return now_() - lead_.start >= expected - known_->analysedAfter;
}

void FramesInFlight::watch(double busyCores)
{
    if (busyCores >= busyLevel_) {
        ++busyReadings_;
        return;
    }
    if (windingDown_ || busyReadings_ < busyReadingsOfAPart || busyCores > idleLevel_) return;
    windingDown_ = true;
    if (lead_.analysedAfter)
        known_ = Course {
            .windingDownAfter = now_() - lead_.start, .analysedAfter = *lead_.analysedAfter, .pixels = lead_.pixels
        };
}

void FramesInFlight::analysed(std::uint64_t serial)
{
    const std::lock_guard lock(mutex_);
    if (serial == lead_.serial) lead_.analysedAfter = now_() - lead_.start;
}

void FramesInFlight::finished()
{
    const std::lock_guard lock(mutex_);
    --coding_;
    ++finishes_;
    // The one still coding, if any, is watched afresh.
    busyReadings_ = 0;
    windingDown_ = false;
    changed_.notify_all();
}

FramesInFlight::Coding::Coding(FramesInFlight* frames, std::uint64_t serial)
    : frames_(frames)
    , serial_(serial)
{
    ++frames_->coding_;
}

FramesInFlight::Coding::Coding(Coding&& other) noexcept
    : frames_(std::exchange(other.frames_, nullptr))
    , serial_(other.serial_)
{
}

FramesInFlight::Coding::~Coding()
{
    if (frames_) frames_->finished();
}

void FramesInFlight::Coding::analysed()
{
    if (frames_) frames_->analysed(serial_);
}

} // namespace tl
