#include "platform/Ticker.h"

#include "platform/ExceptionText.h"
#include "platform/Log.h"

#include <condition_variable>
#include <mutex>

namespace tl {

Ticker::Ticker(std::chrono::milliseconds period, std::function<void()> call)
    : thread_([period, call = std::move(call)](std::stop_token stop) {
        std::mutex mutex;
        std::condition_variable_any woken;
        std::unique_lock lock(mutex);
        // Woken early only by the stop, which comes when the ticker goes.
        while (!woken.wait_for(lock, stop, period, [] { return false; }) && !stop.stop_requested()) {
            // A throw must not leave this thread, which would end the program; the work the
            // ticks report on goes on and still reports its own steps.
            try {
                call();
            } catch (...) {
                log("Stopped a progress ticker: " + currentExceptionText());
                return;
            }
        }
    })
{
}

} // namespace tl
