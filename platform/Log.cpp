#include "platform/Log.h"

#include <iostream>
#include <mutex>
#include <utility>

namespace tl {
namespace {

std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::function<void(const std::string&)>& currentSink()
{
    static std::function<void(const std::string&)> sink;
    return sink;
}

} // namespace

void log(std::string_view line)
{
    const std::string text(line);
    std::lock_guard lock(sinkMutex());
    if (currentSink()) {
        currentSink()(text);
    } else {
        std::cout << text << '\n' << std::flush;
    }
}

LogCapture::LogCapture(std::function<void(const std::string&)> sink)
{
    std::lock_guard lock(sinkMutex());
    previous_ = std::exchange(currentSink(), std::move(sink));
}

LogCapture::~LogCapture()
{
    std::lock_guard lock(sinkMutex());
    currentSink() = std::move(previous_);
}

} // namespace tl
