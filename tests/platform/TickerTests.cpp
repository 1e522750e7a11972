#include "platform/Log.h"
#include "platform/Ticker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tl {
namespace {

TEST(TickerTest, TicksUntilItGoesAndAThrowingCallEndsOnlyTheTicking)
{
    std::atomic<int> calls = 0;
    {
        const Ticker ticker(std::chrono::milliseconds(1), [&] { ++calls; });
        while (calls < 3)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const int afterwards = calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(calls, afterwards) << "a ticker that is gone still ticked";

    std::vector<std::string> lines;
    const LogCapture capture([&](const std::string& line) { lines.push_back(line); });
    std::atomic<int> throws = 0;
    {
        const Ticker ticker(std::chrono::milliseconds(1), [&] {
            ++throws;
            throw std::runtime_error("the line could not be made");
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    EXPECT_EQ(throws, 1);
    EXPECT_EQ(lines, std::vector<std::string> { "Stopped a progress ticker: the line could not be made" });
}

} // namespace
} // namespace tl
