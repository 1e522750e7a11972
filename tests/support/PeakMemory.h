#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <optional>

namespace tl::test {

// What work run in a child process returned, and how far the child's peak resident memory rose
// above what it had when forked.
struct ChildPeak {
    std::int64_t result = 0;
    std::int64_t growthBytes = 0;
};

inline std::int64_t peakResidentBytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return std::int64_t { usage.ru_maxrss } * 1024;
}

// Runs work in a forked child, so its peak is its own and a crash or an allocation failure ends
// only the child (none is returned then). The child starts at the parent's resident size; the
// growth beyond it is what work cost.
template <typename Work> std::optional<ChildPeak> measureInChild(Work work)
{
    int channel[2];
    if (pipe(channel) != 0) return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const std::int64_t before = peakResidentBytes();
        ChildPeak peak;
        peak.result = work();
        peak.growthBytes = peakResidentBytes() - before;
        const bool written = ::write(channel[1], &peak, sizeof peak) == static_cast<ssize_t>(sizeof peak);
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    ChildPeak peak;
    const bool read = child > 0 && ::read(channel[0], &peak, sizeof peak) == static_cast<ssize_t>(sizeof peak);
    close(channel[0]);
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
    if (!read || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return peak;
}

} // namespace tl::test
