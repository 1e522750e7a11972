#pragma once

#include "platform/Clock.h"

#include <mutex>

namespace tl::testing {

// A clock that moves only when told to; both of its time lines move together.
class ManualClock final : public Clock {
public:
    std::chrono::steady_clock::time_point steadyNow() const override
    {
        const std::lock_guard lock(mutex_);
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

private:
    mutable std::mutex mutex_;
    std::chrono::steady_clock::time_point steady_ { std::chrono::hours(1000) };
    std::chrono::system_clock::time_point system_ { std::chrono::seconds(1'800'000'000) };
};

} // namespace tl::testing
