#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace tl {

// Calls a function every period on a thread of its own until the ticker goes; none by default.
// The last call has ended when the destructor returns. A call that throws ends the ticking.
class Ticker {
public:
    Ticker() = default;
    Ticker(std::chrono::milliseconds period, std::function<void()> call);

private:
    std::jthread thread_;
};

} // namespace tl
