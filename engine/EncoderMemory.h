#pragma once

#include "engine/EngineError.h"
#include "platform/MemoryRoom.h"
#include "platform/Result.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>

namespace tl {

struct MemoryNeed {
    std::uint64_t addressSpace = 0;
    std::uint64_t resident = 0;

    MemoryNeed& operator+=(const MemoryNeed& other)
    {
        addressSpace += other.addressSpace;
        resident += other.resident;
        return *this;
    }
};

// What x265 takes to code one frame from its decoded pixels, those included;
// EncoderMemory.cpp gives the measurements behind it.
MemoryNeed encoderMemoryNeed(int width, int height, int threads);
// What decoding a picture of this stored size takes at its peak, the decoded frame included.
MemoryNeed decodeMemoryNeed(std::int64_t width, std::int64_t height);
// Decoding a frame and then coding it: the decoder's working memory is gone before x265 starts.
MemoryNeed frameMemoryNeed(int width, int height, int threads);

// Memory promised to the frames of exports while they are decoded and coded. A frame is admitted
// only when its need fits in the room beside what running frames have been promised and not yet
// taken: the room already lacks what they hold, so that part is not counted again. x265 crashes
// instead of failing when an allocation fails, and the kernel kills the program where a cgroup
// runs out, so a frame must not start without its room.
class FrameMemory {
public:
    enum class Refusal {
        tooLarge, // does not fit even with nothing else running
        cancelled,
    };

    class Reservation {
    public:
        Reservation(Reservation&& other) noexcept;
        Reservation& operator=(Reservation&&) = delete;
        ~Reservation();

    private:
        friend class FrameMemory;
        Reservation(FrameMemory* pool, MemoryNeed need);
        FrameMemory* pool_;
        MemoryNeed need_;
    };

    explicit FrameMemory(std::function<MemoryRoom()> room = memoryRoomNow);

    // Waits while running frames leave too little; a stop request ends the wait.
    Result<Reservation, Refusal> reserve(MemoryNeed need, std::stop_token stop = {});

    // The pool every export of this process shares.
    static FrameMemory& shared();

private:
    bool fits(const MemoryNeed& need, const MemoryRoom& room) const;
    void release(const MemoryNeed& need);

    std::function<MemoryRoom()> room_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    MemoryNeed promised_;
    // The room when the first of the running frames was admitted; its fall since then is what they
    // have taken of their promise.
    MemoryRoom roomBeforeFrames_;
    int holders_ = 0;
    std::uint64_t releases_ = 0;
};

// Waits in the shared pool for a frame's memory; a stop request gives Cancelled, a need that never
// fits processingFailed with `refusal`.
Result<FrameMemory::Reservation, EngineError> admitFrame(MemoryNeed need, std::string refusal, std::stop_token stop);

} // namespace tl
