#pragma once

#include "platform/Defaults.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace tl::testing {

// Several threads write, read and remove keys of one store at once; each
// thread's own last value must read back intact afterwards.
inline void hammerFromSeveralThreads(Defaults& defaults)
{
    constexpr int threadCount = 8;
    constexpr int rounds = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&defaults, t] {
            const std::string key = "thread" + std::to_string(t);
            for (int i = 0; i < rounds; ++i) {
                defaults.set(key, std::string("value") + std::to_string(i));
                defaults.set("shared", static_cast<std::int64_t>(i));
                (void)defaults.string(key);
                (void)defaults.integer("shared");
                defaults.remove("scratch" + std::to_string(t));
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < threadCount; ++t) {
        EXPECT_EQ(defaults.string("thread" + std::to_string(t)), "value" + std::to_string(rounds - 1));
    }
    EXPECT_EQ(defaults.integer("shared"), rounds - 1);
}

} // namespace tl::testing
