#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tl {

// The one place fixed diagnostic lines go. By default they are written to
// standard output; tests install a capture to read them back.
void log(std::string_view line);

// Replaces where lines go until the returned guard is destroyed, then restores
// the previous sink. Safe to call from any thread.
class LogCapture {
public:
    explicit LogCapture(std::function<void(const std::string&)> sink);
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    ~LogCapture();

private:
    std::function<void(const std::string&)> previous_;
};

} // namespace tl
