#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

namespace tl::cli {

// Progress on standard error: on a terminal one bar redrawn in place, otherwise one plain line
// for each new message, so a log file reads cleanly.
class ProgressLine {
public:
    ProgressLine(std::ostream& out, bool terminal);

    void report(int current, int total, const std::string& message);
    // Reports work counted in images as "VERB image DONE/TOTAL".
    std::function<void(std::size_t, std::size_t)> imageCounter(std::string verb);
    // Ends the bar's line before anything else is printed.
    void finish();

private:
    std::ostream& out_;
    bool terminal_;
    bool drawn_ = false;
    std::string lastMessage_;
};

// Whether standard error is a terminal.
bool standardErrorIsTerminal();

} // namespace tl::cli
