#include "engine/EncoderMemory.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace tl {
namespace {

constexpr std::uint64_t megabyte = std::uint64_t { 1 } << 20;

std::uint64_t pixelCount(std::int64_t width, std::int64_t height)
{
    return static_cast<std::uint64_t>(std::max<std::int64_t>(width, 0))
        * static_cast<std::uint64_t>(std::max<std::int64_t>(height, 0));
}

// What the running frames were promised and have not taken yet: the room's fall since the first
// of them was admitted is theirs.
std::uint64_t outstanding(std::uint64_t promised, std::optional<std::uint64_t> before, std::uint64_t now)
{
    const std::uint64_t taken = before && *before > now ? *before - now : 0;
    return promised - std::min(promised, taken);
}

bool fitsIn(
    std::uint64_t need, std::uint64_t promised, std::optional<std::uint64_t> before, std::optional<std::uint64_t> room)
{
    return !room || need + outstanding(promised, before, *room) <= *room;
}

} // namespace

// One frame decoded and coded by x265 3.5 with 8 workers, its pixels freed once converted: resident
// memory grew by 40 MB and 16 bytes per pixel, address space by 1.24 GB and 18.1 bytes per pixel
// (4096 x 4096 and 8192 x 8192 frames). Under RLIMIT_AS x265 needs nearly all of that address space:
// the 4096 x 4096 frame crashed or hung x265 with 1.26 GB of its 1.54 GB, the 8192 x 8192 one with
// 1.96 GB of its 2.45 GB. The figures below keep a few percent above the measured ones.
MemoryNeed encoderMemoryNeed(int width, int height, int threads)
{
    const auto pixels = pixelCount(width, height);
    const auto workers = static_cast<std::uint64_t>(std::max(threads, 1));
    return { .addressSpace = 240 * megabyte + workers * 128 * megabyte + pixels * 37 / 2,
        .resident = 64 * megabyte + pixels * 17 };
}

// Progressive JPEG holds every coefficient while it decodes (6.6 bytes per pixel measured at 4:2:0,
// about 9.6 at 4:4:4); PNG with alpha takes 6.6, the others 3 to 5.7.
MemoryNeed decodeMemoryNeed(std::int64_t width, std::int64_t height)
{
    const auto pixels = pixelCount(width, height);
    return { .addressSpace = 64 * megabyte + pixels * 10, .resident = 32 * megabyte + pixels * 10 };
}

MemoryNeed frameMemoryNeed(int width, int height, int threads)
{
    const MemoryNeed decoding = decodeMemoryNeed(width, height);
    const MemoryNeed coding = encoderMemoryNeed(width, height, threads);
    return { .addressSpace = std::max(decoding.addressSpace, coding.addressSpace),
        .resident = std::max(decoding.resident, coding.resident) };
}

FrameMemory::FrameMemory(std::function<MemoryRoom()> room)
    : room_(std::move(room))
{
}

FrameMemory& FrameMemory::shared()
{
    static FrameMemory pool;
    return pool;
}

bool FrameMemory::fits(const MemoryNeed& need, const MemoryRoom& room) const
{
    return fitsIn(need.addressSpace, promised_.addressSpace, roomBeforeFrames_.addressSpace, room.addressSpace)
        && fitsIn(need.resident, promised_.resident, roomBeforeFrames_.resident, room.resident);
}

Result<FrameMemory::Reservation, FrameMemory::Refusal> FrameMemory::reserve(MemoryNeed need, std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        const MemoryRoom room = room_();
        if (holders_ == 0) roomBeforeFrames_ = room;
        if (fits(need, room)) return Reservation(this, need);
        if (holders_ == 0) return Refusal::tooLarge;
        // Woken when a frame is done; the room is also looked at again now and then, as other
        // programs take and give back memory.
        const std::uint64_t seen = releases_;
        changed_.wait_for(lock, stop, std::chrono::milliseconds(250), [&] { return releases_ != seen; });
    }
    return Refusal::cancelled;
}

void FrameMemory::release(const MemoryNeed& need)
{
    const std::lock_guard lock(mutex_);
    promised_.addressSpace -= need.addressSpace;
    promised_.resident -= need.resident;
    --holders_;
    ++releases_;
    changed_.notify_all();
}

Result<FrameMemory::Reservation, EngineError> admitFrame(MemoryNeed need, std::string refusal, std::stop_token stop)
{
    auto held = FrameMemory::shared().reserve(need, std::move(stop));
    if (held) return std::move(held).value();
    if (held.error() == FrameMemory::Refusal::cancelled) return EngineError(Cancelled {});
    return EngineError(HeicGeneratorError::processingFailed(std::move(refusal)));
}

FrameMemory::Reservation::Reservation(FrameMemory* pool, MemoryNeed need)
    : pool_(pool)
    , need_(need)
{
    pool_->promised_ += need;
    ++pool_->holders_;
}

FrameMemory::Reservation::Reservation(Reservation&& other) noexcept
    : pool_(std::exchange(other.pool_, nullptr))
    , need_(other.need_)
{
}

FrameMemory::Reservation::~Reservation()
{
    if (pool_) pool_->release(need_);
}

} // namespace tl
