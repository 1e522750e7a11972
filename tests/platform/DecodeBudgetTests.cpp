#include "platform/DecodeBudget.h"
#include "support/HangLimit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <thread>

namespace tl {
namespace {

using namespace std::chrono_literals;

// A decode on its own thread that holds its reservation until told to finish.
class Decode {
public:
    Decode(DecodeBudget& budget, std::uint64_t bytes)
    {
        const std::size_t queued = budget.waitingCount();
        thread_ = std::thread([this, &budget, bytes, finish = finish_.get_future()] {
            const auto reservation = budget.reserve(bytes);
            started_.set_value();
            finish.wait();
        });
        // Each decode asks only once the one before it is waiting, so their order is known; one
        // that fits at once never shows up as waiting.
        const auto deadline = std::chrono::steady_clock::now() + testing::hangLimit;
        while (budget.waitingCount() == queued && !started(0ms) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
    }
    Decode(const Decode&) = delete;
    Decode& operator=(const Decode&) = delete;
    ~Decode() { finish(); }

    bool started(std::chrono::milliseconds within)
    {
        return startedFuture_.wait_for(within) == std::future_status::ready;
    }
    void finish()
    {
        if (!thread_.joinable()) return;
        finish_.set_value();
        thread_.join();
    }

private:
    std::promise<void> started_;
    std::shared_future<void> startedFuture_ = started_.get_future().share();
    std::promise<void> finish_;
    std::thread thread_;
};

TEST(DecodeBudgetTest, WaitingDecodesStartInTheOrderTheyAsked)
{
    DecodeBudget budget(100);
    std::optional<DecodeBudget::Reservation> everything = budget.reserve(100);
    Decode first(budget, 80);
    Decode second(budget, 30);
    EXPECT_EQ(budget.waitingCount(), 2u);
    // Once the room is free the first fits, and the second, which would fit alone, must not take
    // the room the first needs.
    everything.reset();
    EXPECT_TRUE(first.started(testing::hangLimit));
    EXPECT_FALSE(second.started(200ms));
    first.finish();
    EXPECT_TRUE(second.started(testing::hangLimit));
}

TEST(DecodeBudgetTest, SmallDecodesGoAheadOfALargeOneOnlyWhileEarlierWorkRuns)
{
    DecodeBudget budget(100);
    std::optional<DecodeBudget::Reservation> earlier = budget.reserve(60);
    Decode large(budget, 80);
    // Fits beside the earlier work; the large one could not start before that work ends anyway.
    Decode small(budget, 30);
    EXPECT_TRUE(small.started(testing::hangLimit));
    EXPECT_FALSE(large.started(0ms));

    // The earlier work is done: what is freed from now on belongs to the large decode, so a late
    // small one that would fit waits behind it instead of starving it.
    earlier.reset();
    Decode late(budget, 10);
    EXPECT_FALSE(late.started(200ms));
    EXPECT_FALSE(large.started(0ms));
    small.finish();
    EXPECT_TRUE(large.started(testing::hangLimit));
    EXPECT_TRUE(late.started(testing::hangLimit));
}

TEST(DecodeBudgetTest, ADecodeLargerThanTheBudgetRunsAlone)
{
    DecodeBudget budget(100);
    std::optional<DecodeBudget::Reservation> earlier = budget.reserve(10);
    Decode huge(budget, 500);
    EXPECT_FALSE(huge.started(100ms));
    earlier.reset();
    EXPECT_TRUE(huge.started(testing::hangLimit));
    Decode small(budget, 1);
    EXPECT_FALSE(small.started(100ms));
    huge.finish();
    EXPECT_TRUE(small.started(testing::hangLimit));
}

} // namespace
} // namespace tl
