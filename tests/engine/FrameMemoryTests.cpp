#include "engine/EncoderMemory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>

namespace tl {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t gb = std::uint64_t { 1 } << 30;

MemoryNeed resident(std::uint64_t bytes)
{
    return { .addressSpace = 0, .resident = bytes };
}

// A room the test moves by hand, as frames take their memory.
class FakeRoom {
public:
    explicit FakeRoom(std::uint64_t bytes)
        : bytes_(bytes)
    {
    }
    void set(std::uint64_t bytes) { bytes_ = bytes; }
    MemoryRoom operator()() const { return { .addressSpace = std::nullopt, .resident = bytes_.load() }; }

private:
    std::atomic<std::uint64_t> bytes_;
};

// Asks on another thread, so a frame held back shows as a failure rather than a hung test.
class Asking {
public:
    Asking(FrameMemory& pool, std::uint64_t bytes)
        : answer_(std::async(std::launch::async,
            [&pool, bytes, stop = stop_.get_token()] { return pool.reserve(resident(bytes), stop).ok(); }))
    {
    }
    ~Asking() { stop_.request_stop(); }
    bool admittedWithin(std::chrono::milliseconds wait)
    {
        return answer_.wait_for(wait) == std::future_status::ready && answer_.get();
    }

private:
    std::stop_source stop_;
    std::future<bool> answer_;
};

TEST(FrameMemory, ARunningFrameIsCountedOnceWhetherOrNotItHasTakenItsMemoryYet)
{
    FakeRoom room(10 * gb);
    FrameMemory pool([&] { return room(); });
    auto first = pool.reserve(resident(4 * gb));
    ASSERT_TRUE(first);
    room.set(6 * gb); // the first frame has taken its 4 GB: the room shows it, the promise is kept
    std::stop_source giveUp;
    auto asked = std::async(std::launch::async, [&] { return pool.reserve(resident(5 * gb), giveUp.get_token()); });
    if (asked.wait_for(2s) != std::future_status::ready) giveUp.request_stop();
    auto second = asked.get();
    ASSERT_TRUE(second) << "a frame that fits beside the running one was held back";
    room.set(1 * gb); // the second has taken its 5 GB too
    Asking third(pool, 2 * gb);
    EXPECT_FALSE(third.admittedWithin(400ms)) << "a frame was let in beyond the room";
    {
        const auto done = std::move(first).value();
        room.set(5 * gb);
    }
    EXPECT_TRUE(third.admittedWithin(2s));
}

TEST(FrameMemory, AFrameWaitsForTheRoomOthersArePromisedAndAStopEndsTheWait)
{
    FakeRoom room(8 * gb);
    FrameMemory pool([&] { return room(); });
    auto running = pool.reserve(resident(5 * gb));
    ASSERT_TRUE(running);

    std::stop_source cancel;
    auto waiting = std::async(std::launch::async, [&] { return pool.reserve(resident(4 * gb), cancel.get_token()); });
    EXPECT_EQ(waiting.wait_for(400ms), std::future_status::timeout);
    cancel.request_stop();
    ASSERT_EQ(waiting.wait_for(2s), std::future_status::ready) << "Cancel did not end the wait";
    const auto cancelled = waiting.get();
    ASSERT_FALSE(cancelled);
    EXPECT_EQ(cancelled.error(), FrameMemory::Refusal::cancelled);

    auto next = std::async(std::launch::async, [&] { return pool.reserve(resident(4 * gb)).ok(); });
    EXPECT_EQ(next.wait_for(300ms), std::future_status::timeout);
    {
        const auto done = std::move(running).value();
    }
    ASSERT_EQ(next.wait_for(2s), std::future_status::ready) << "a finished frame did not let the next one go";
    EXPECT_TRUE(next.get());
}

TEST(FrameMemory, AFrameLargerThanTheRoomAloneIsRefusedAtOnceAndAnUnknownRoomLimitsNothing)
{
    FakeRoom room(3 * gb);
    FrameMemory pool([&] { return room(); });
    const auto refused = pool.reserve({ .addressSpace = 0, .resident = 3 * gb + 1 });
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), FrameMemory::Refusal::tooLarge);

    FrameMemory tight([] { return MemoryRoom { .addressSpace = 2 * gb, .resident = std::nullopt }; });
    EXPECT_FALSE(tight.reserve({ .addressSpace = 3 * gb, .resident = 100 * gb }));
    EXPECT_TRUE(tight.reserve({ .addressSpace = 2 * gb, .resident = 100 * gb }));
}

} // namespace
} // namespace tl
