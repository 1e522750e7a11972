#pragma once

#include "platform/Clock.h"

#include <condition_variable>
#include <mutex>

namespace tl::testing {

// A clock that moves only when told to; both of its time lines move together.
class ManualClock final : public Clock {
public:
    std::chrono::steady_clock::time_point steadyNow() const override
    {
        const std::lock_guard lock(mutex_);
        ++steadyReads_;
        read_.notify_all();
        return steady_;
    }
    std::chrono::system_clock::time_point systemNow() const override
    {
        const std::lock_guard lock(mutex_);
        return system_;
    }
    void advance(std::chrono::seconds by)
    {
        const std::lock_guard lock(mutex_);
        steady_ += by;
        system_ += by;
    }

    // Waits until the steady time has been read `count` times in all; false after a minute without.
    bool awaitSteadyReads(int count) const
    {
        std::unique_lock lock(mutex_);
        return read_.wait_for(lock, std::chrono::minutes(1), [&] { return steadyReads_ >= count; });
    }
    int steadyReads() const
    {
        const std::lock_guard lock(mutex_);
        return steadyReads_;
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable read_;
    mutable int steadyReads_ = 0;
    std::chrono::steady_clock::time_point steady_ { std::chrono::hours(1000) };
    std::chrono::system_clock::time_point system_ { std::chrono::seconds(1'800'000'000) };
};

} // namespace tl::testing
