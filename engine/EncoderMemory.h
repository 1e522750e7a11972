#pragma once

#include <cstdint>
#include <optional>

namespace tl {

// What x265 (through libheif) takes to code one frame, measured on an 8-core machine by
// bench/export_bench/EncoderMemoryBench.cpp (x265 3.5): address space grows by about
// 630 MB, 84 MB per worker thread (its stack and malloc arena) and 23 bytes per pixel (16384 x
// 16384 with 8 threads: 7.39 GB, 8192 x 8192: 2.82 GB); resident memory by about 30 MB and 20
// bytes per pixel (5.38 GB and 1.37 GB). The figures below keep a margin above those.
struct EncoderMemoryNeed {
    std::uint64_t addressSpace = 0;
    std::uint64_t resident = 0;
};
EncoderMemoryNeed encoderMemoryNeed(int width, int height, int threads);

// What this process may still take: address space below RLIMIT_AS, and memory below its
// cgroup's limit and the system's MemAvailable. Nothing where no limit is known.
struct MemoryRoom {
    std::optional<std::uint64_t> addressSpace;
    std::optional<std::uint64_t> resident;
};
MemoryRoom memoryRoomNow();

// The memory one frame's coding needs, held while it lives so that frames coded at the same time
// do not all count on the same room. x265 crashes instead of failing when an allocation fails, so
// a frame must not start without its room.
class EncoderMemoryReservation {
public:
    // Waits while other frames' reservations leave too little; nothing when the frame does not
    // fit even alone.
    static std::optional<EncoderMemoryReservation> take(int width, int height, int threads);

    EncoderMemoryReservation(EncoderMemoryReservation&& other) noexcept;
    EncoderMemoryReservation& operator=(EncoderMemoryReservation&&) = delete;
    ~EncoderMemoryReservation();

private:
    explicit EncoderMemoryReservation(EncoderMemoryNeed need);
    std::optional<EncoderMemoryNeed> need_;
};

} // namespace tl
