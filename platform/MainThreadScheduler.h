#pragma once

#include <chrono>
#include <functional>

namespace tl {

// Runs work on the main thread after a delay, once the current event is done.
// Safe to call from any thread.
class MainThreadScheduler {
public:
    virtual ~MainThreadScheduler() = default;
    virtual void schedule(std::chrono::milliseconds delay, std::function<void()> work) = 0;
};

} // namespace tl
