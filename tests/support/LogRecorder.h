#pragma once

#include "platform/Log.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace tl::testing {

// Collects every logged line while it lives.
class LogRecorder {
public:
    LogRecorder()
        : capture_([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        })
    {
    }

    std::vector<std::string> lines() const
    {
        std::lock_guard lock(mutex_);
        return lines_;
    }

    bool contains(const std::string& line) const
    {
        const auto all = lines();
        return std::ranges::find(all, line) != all.end();
    }

    bool anyStartsWith(const std::string& prefix) const
    {
        const auto all = lines();
        return std::ranges::any_of(all, [&](const std::string& line) { return line.starts_with(prefix); });
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    LogCapture capture_;
};

} // namespace tl::testing
