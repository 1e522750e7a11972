#pragma once

#include <chrono>

namespace tl {

// The time sources a component needs, injected so tests can move time by hand.
// Durations (expiries, timeouts) use the steady clock; moments that are stored use the system clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::steady_clock::time_point steadyNow() const = 0;
    virtual std::chrono::system_clock::time_point systemNow() const = 0;
};

class SystemClock final : public Clock {
public:
    std::chrono::steady_clock::time_point steadyNow() const override { return std::chrono::steady_clock::now(); }
    std::chrono::system_clock::time_point systemNow() const override { return std::chrono::system_clock::now(); }
};

const Clock& systemClock();

} // namespace tl
