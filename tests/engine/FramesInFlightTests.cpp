#include "engine/FramesInFlight.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace tl {
namespace {

using namespace std::chrono_literals;
using TimePoint = std::chrono::steady_clock::time_point;

// The process's load and the time, both set by the test, and the frames of an export on it, the
// first of them coding.
struct Machine {
    explicit Machine(int cores)
        : frames(
            cores, [this] { return read(); }, [this] { return now.load(); })
        , first(frames.coding(100, {}))
    {
    }
    void advance(std::chrono::milliseconds by) { now = now.load() + by; }

    // Waits until the load has been read `count` more times, however slow the machine.
    bool readAgain(int count)
    {
        const int target = readings + count;
        for (int wait = 0; wait < 1000 && readings < target; ++wait)
            std::this_thread::sleep_for(10ms);
        return readings >= target;
    }

    std::atomic<double> busyCores = 0;
    std::atomic<TimePoint> now = TimePoint {};
    std::atomic<int> readings = 0;
    FramesInFlight frames;
    std::optional<FramesInFlight::Coding> first;

private:
    double read()
    {
        ++readings;
        return busyCores.load();
    }
};

// Asks for a turn on another thread; a frame held back shows as a failure rather than a hung test.
class Waiting {
public:
    Waiting(FramesInFlight& frames, std::uint64_t pixels)
        : turn_(std::async(
            std::launch::async, [&frames, pixels, stop = stop_.get_token()] { return frames.coding(pixels, stop); }))
    {
    }
    ~Waiting() { stop_.request_stop(); }

    bool startsWithin(std::chrono::milliseconds wait) { return turn_.wait_for(wait) == std::future_status::ready; }
    std::optional<FramesInFlight::Coding> turn() { return turn_.get(); }
    void stop() { stop_.request_stop(); }

private:
    std::stop_source stop_;
    std::future<std::optional<FramesInFlight::Coding>> turn_;
};

// Whether the waiting frame starts after some readings of `busyCores`.
bool startsAfterReadings(Machine& machine, Waiting& waiting, double busyCores)
{
    machine.busyCores = busyCores;
    return !machine.readAgain(3) || waiting.startsWithin(50ms);
}

// Whether the waiting frame starts while the cores are busy or once they go idle.
bool startsAsTheCoresGoIdle(Machine& machine, Waiting& waiting, double busyCores)
{
    return startsAfterReadings(machine, waiting, busyCores) || startsAfterReadings(machine, waiting, 1);
}

TEST(FramesInFlight, TheNextFrameCodesBesideTheRunningOneOnlyOnceItsCoresGoIdle)
{
    Machine machine(8);
    ASSERT_TRUE(machine.first);

    Waiting second(machine.frames, 100);
    // x265 analysing the picture on one thread
    EXPECT_FALSE(startsAfterReadings(machine, second, 1)) << "started beside a frame still analysing its picture";
    EXPECT_FALSE(startsAfterReadings(machine, second, 8)) << "started beside a frame using every core";
    machine.busyCores = 1;
    ASSERT_TRUE(second.startsWithin(2s)) << "did not start once the running frame wound down";
    auto secondTurn = second.turn();
    ASSERT_TRUE(secondTurn);

    Waiting third(machine.frames, 100);
    EXPECT_FALSE(startsAsTheCoresGoIdle(machine, third, 8)) << "a third frame coded beside two";
    machine.first.reset();
    secondTurn.reset();
    EXPECT_TRUE(third.startsWithin(2s)) << "did not start once the others were done";
}

TEST(FramesInFlight, OnceAFrameIsKnownTheNextStartsAsLongBeforeTheWindingDownAsItsAnalysisTakes)
{
    Machine machine(8);
    ASSERT_TRUE(machine.first);
    machine.advance(1000ms);
    machine.first->analysed();
    Waiting second(machine.frames, 200);
    EXPECT_FALSE(startsAfterReadings(machine, second, 8));
    machine.advance(4000ms); // it winds down 5 s after its start, 4 s after its analysis
    machine.busyCores = 1;
    ASSERT_TRUE(second.startsWithin(2s));
    auto secondTurn = second.turn();
    ASSERT_TRUE(secondTurn);
    machine.first.reset();

    // Twice the pixels: expected to wind down 10 s after its start, so the next starts after 9 s,
    // however busy the cores still are.
    Waiting third(machine.frames, 100);
    machine.advance(8900ms);
    EXPECT_FALSE(startsAfterReadings(machine, third, 8))
        << "started long before the running frame was due to wind down";
    machine.advance(100ms);
    EXPECT_TRUE(third.startsWithin(2s)) << "did not start its analysis in time";
}

TEST(FramesInFlight, FewCoresNeverCodeTwoFramesAndAStopEndsTheWait)
{
    Machine machine(2);
    ASSERT_TRUE(machine.first);
    Waiting second(machine.frames, 100);
    EXPECT_FALSE(startsAsTheCoresGoIdle(machine, second, 2)) << "two frames coded on two cores";
    second.stop();
    ASSERT_TRUE(second.startsWithin(1s)) << "a stop did not end the wait";
    EXPECT_FALSE(second.turn());
    machine.first.reset();
    EXPECT_TRUE(machine.frames.coding(100, {})) << "no frame coding, yet the next waited";
}

} // namespace
} // namespace tl
