#pragma once

#include "engine/EngineError.h"
#include "platform/ExceptionText.h"
#include "platform/Result.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace tl {

// Runs job(0) ... job(count - 1) on at most `limit` threads; jobs start in index order, each as soon as a
// thread is free. `onResult` hears every success in completion order, one at a time. The first failure
// stops the jobs still running (their stop token fires) and is returned as it came; a stop request of the
// caller gives Cancelled. Results come back in index order. A job (or its onResult) that throws fails
// as processingFailed with `jobName(index)` and what went wrong ("frame.png: not enough memory").
template <class T>
Result<std::vector<T>, EngineError> runBounded(int count, int limit, std::stop_token stop,
    const std::function<Result<T, EngineError>(int index, std::stop_token stop)>& job,
    const std::function<void(int index, const T& result)>& onResult = {},
    const std::function<std::string(int index)>& jobName = {})
{
    std::stop_source jobsStop;
    const std::stop_callback forwardStop(stop, [&] { jobsStop.request_stop(); });
    std::vector<std::optional<T>> filled(static_cast<std::size_t>(count));
    std::optional<EngineError> firstError;
    std::mutex mutex;
    std::atomic<int> next = 0;

    const auto fail = [&](EngineError error) {
        if (!firstError) firstError = std::move(error);
        jobsStop.request_stop();
    };
    const auto thrown = [&](int index) {
        const std::string name = jobName ? jobName(index) + ": " : std::string();
        return EngineError(HeicGeneratorError::processingFailed(name + currentExceptionText()));
    };
    const auto work = [&] {
        for (int index = next++; index < count && !jobsStop.stop_requested(); index = next++) {
            std::optional<Result<T, EngineError>> result;
            try {
                result.emplace(job(index, jobsStop.get_token()));
            } catch (...) {
                result.emplace(thrown(index));
            }
            const std::lock_guard lock(mutex);
            if (!*result) return fail(result->error());
            try {
                if (onResult) onResult(index, result->value());
                filled[static_cast<std::size_t>(index)] = std::move(*result).value();
            } catch (...) {
                return fail(thrown(index));
            }
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
    results.reserve(filled.size());
    for (auto& slot : filled)
        results.push_back(std::move(*slot));
    return results;
}

} // namespace tl
