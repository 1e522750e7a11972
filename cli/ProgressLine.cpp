#include "cli/ProgressLine.h"

#include <unistd.h>

#include <algorithm>

namespace tl::cli {

ProgressLine::ProgressLine(std::ostream& out, bool terminal)
    : out_(out)
    , terminal_(terminal)
{
}

void ProgressLine::report(int current, int total, const std::string& message)
{
    const int percent = total > 0 ? std::clamp(current * 100 / total, 0, 100) : 0;
    if (!terminal_) {
        if (message == lastMessage_) return;
        lastMessage_ = message;
        out_ << percent << "% " << message << '\n' << std::flush;
        return;
    }
    constexpr int width = 30;
    const int filled = percent * width / 100;
    // Clear to the end of the line: a shorter message must not leave the tail of a longer one.
    out_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(width - filled), '-') << "] " << percent << "% " << message << "\x1b[K"
         << std::flush;
    drawn_ = true;
}

std::function<void(std::size_t, std::size_t)> ProgressLine::imageCounter(std::string verb)
{
    return [this, verb = std::move(verb)](std::size_t done, std::size_t total) {
        report(static_cast<int>(done), static_cast<int>(total),
            verb + " image " + std::to_string(done) + "/" + std::to_string(total));
    };
}

void ProgressLine::finish()
{
    if (drawn_) out_ << '\n' << std::flush;
    drawn_ = false;
}

bool standardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace tl::cli
