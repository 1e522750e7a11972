#pragma once

#include "engine/EngineError.h"
#include "platform/Result.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

namespace tl {

// Runs job(0) ... job(count - 1) on at most `limit` threads; jobs start in index order, each as soon as a
// thread is free. `onResult` hears every success in completion order, one at a time. The first failure
// stops the jobs still running (their stop token fires) and is returned as it came; a stop request of the
// caller gives Cancelled. Results come back in index order.
template <class T>
Result<std::vector<T>, EngineError> runBounded(int count, int limit, std::stop_token stop,
    const std::function<Result<T, EngineError>(int index, std::stop_token stop)>& job,
    const std::function<void(int index, const T& result)>& onResult = {})
{
    std::stop_source jobsStop;
    const std::stop_callback forwardStop(stop, [&] { jobsStop.request_stop(); });
    std::vector<std::optional<T>> slots(static_cast<std::size_t>(count));
    std::optional<EngineError> firstError;
    std::mutex mutex;
    std::atomic<int> next = 0;

    const auto work = [&] {
        for (int index = next++; index < count && !jobsStop.stop_requested(); index = next++) {
            auto result = job(index, jobsStop.get_token());
            const std::lock_guard lock(mutex);
            if (!result) {
                if (!firstError) firstError = result.error();
                jobsStop.request_stop();
                return;
            }
            if (onResult) onResult(index, result.value());
            slots[static_cast<std::size_t>(index)] = std::move(result).value();
        }
    };
    {
        std::vector<std::jthread> workers;
        for (int i = 0; i < std::min(limit, count); ++i)
            workers.emplace_back(work);
    }
    if (firstError) return *firstError;
    if (stop.stop_requested()) return EngineError(Cancelled {});
    std::vector<T> results;
    results.reserve(slots.size());
    for (auto& slot : slots)
        results.push_back(std::move(*slot));
    return results;
}

} // namespace tl
