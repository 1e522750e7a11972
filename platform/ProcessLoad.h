#pragma once

#include <chrono>

namespace tl {

// How many cores this process keeps busy: its CPU time over the wall time between two readings.
class ProcessLoad {
public:
    ProcessLoad();

    // The average over the time since the previous reading, or since the meter was made.
    double busyCoresSinceLastReading();

private:
    std::chrono::steady_clock::time_point wall_;
    std::chrono::nanoseconds cpu_;
};

} // namespace tl
