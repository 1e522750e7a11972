#include "platform/ProcessLoad.h"

#include <ctime>

namespace tl {
namespace {

std::chrono::nanoseconds processCpuTime()
{
    timespec time {};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time) != 0) return {};
    return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

} // namespace

ProcessLoad::ProcessLoad()
    : wall_(std::chrono::steady_clock::now())
    , cpu_(processCpuTime())
{
}

double ProcessLoad::busyCoresSinceLastReading()
{
    const auto wall = std::chrono::steady_clock::now();
    const auto cpu = processCpuTime();
    const std::chrono::duration<double> elapsed = wall - wall_;
    const std::chrono::duration<double> busy = cpu - cpu_;
    wall_ = wall;
    cpu_ = cpu;
    return elapsed.count() > 0 ? busy.count() / elapsed.count() : 0;
}

} // namespace tl
