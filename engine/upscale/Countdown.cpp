#include "engine/upscale/Countdown.h"

#include <algorithm>

namespace tl {

double secondsPerStep(double doneSeconds, int done, double runningSeconds)
{
    return std::max(doneSeconds / done, (doneSeconds + runningSeconds) / (done + 1));
}

double SteadyCountdown::shown(double secondsLeft)
{
    double shown = secondsLeft;
    if (shown_ && shown > *shown_) shown = std::min(shown, *shown_ + lastFall_);
    lastFall_ = shown_ ? std::max(*shown_ - shown, 0.0) : 0;
    shown_ = shown;
    return shown;
}

} // namespace tl
