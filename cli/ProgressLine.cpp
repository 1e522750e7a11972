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
