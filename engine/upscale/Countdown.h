#pragma once

#include <optional>

namespace tl {

// Seconds each of a run of like steps takes: the mean of the `done` steps so far, which took
// `doneSeconds` together, or more once the step in work, running for `runningSeconds`, has
// outlasted that mean.
double secondsPerStep(double doneSeconds, int done, double runningSeconds);

// The time left as the user reads it: it may rise, but never by more than it fell just before, so
// one slow step does not make it jump.
class SteadyCountdown {
public:
    double shown(double secondsLeft);

private:
    std::optional<double> shown_;
    double lastFall_ = 0;
};

} // namespace tl
