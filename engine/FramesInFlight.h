#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>

namespace tl {

// When the frames of an export may start coding. Each of the two workers decodes a frame and then
// codes it, and each frame was admitted with room for its decoding and coding (admitFrame), so two
// x265 working sets at once always fit. Yet a frame starts coding beside another only as that one
// winds down: x265 codes the last stretch of a frame (its entropy coding) on one thread with its
// whole working set still held, and the next frame fills the idle cores. Coding both at once from
// the start would hold both working sets all along and only share the same cores.
//
// The running frame is seen winding down in the process's load: busy cores for a while, then few.
// A frame also starts on one thread (x265 analyses the picture), so once a frame's course is known
// the next one starts that long before the running one is expected to wind down.
class FramesInFlight {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // `busyCores` gives the cores the process kept busy since it was last asked.
    FramesInFlight(int cores, std::function<double()> busyCores, Clock now);
    explicit FramesInFlight(int cores);

    // A frame's turn to code, held until it is coded.
    class Coding {
    public:
        Coding(Coding&& other) noexcept;
        Coding& operator=(Coding&&) = delete;
        ~Coding();

        // Its one-thread start is over: x265 has analysed the picture.
        void analysed();

    private:
        friend class FramesInFlight;
        Coding(FramesInFlight* frames, std::uint64_t serial);
        FramesInFlight* frames_;
        std::uint64_t serial_;
    };

    // Waits until a frame of `pixels` may start coding; nothing when a stop request ends the wait.
    std::optional<Coding> coding(std::uint64_t pixels, std::stop_token stop);

    static constexpr int workers = 2;
    // How often the load is read while a frame waits.
    static constexpr std::chrono::milliseconds loadInterval { 150 };

private:
    using Duration = std::chrono::steady_clock::duration;

    struct Course {
        Duration windingDownAfter {}; // from its start
        Duration analysedAfter {};
        std::uint64_t pixels = 0;
    };
    struct Lead {
        std::uint64_t serial = 0;
        std::chrono::steady_clock::time_point start;
        std::optional<Duration> analysedAfter;
        std::uint64_t pixels = 0;
    };

    bool mayStart() const;
    void watch(double busyCores);
    void analysed(std::uint64_t serial);
    void finished();

    std::function<double()> busyCores_;
    Clock now_;
    double busyLevel_;
    double idleLevel_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    int coding_ = 0;
    std::uint64_t finishes_ = 0;
    std::uint64_t serials_ = 0;
    // The frame that started last, which a waiting frame would code beside, and the load seen
    // since it started or since the other one finished.
    Lead lead_;
    int busyReadings_ = 0;
    bool windingDown_ = false;
    // The last frame seen winding down.
    std::optional<Course> known_;
};

} // namespace tl
