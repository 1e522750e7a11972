#include "engine/TimeZone.h"

#include <cmath>
#include <ctime>
#include <limits>

namespace tl {

TimeZone TimeZone::utc()
{
    return fixed(0);
}

TimeZone TimeZone::fixed(int secondsFromGMT)
{
    return TimeZone { secondsFromGMT };
}

TimeZone TimeZone::current()
{
    // glibc's localtime_r reads the zone only once per process unless asked again.
    tzset();
    return TimeZone { std::nullopt };
}

int TimeZone::secondsFromGMT(Date date) const
{
    if (fixedOffset_) return *fixedOffset_;

    const double seconds = std::floor(date.secondsSinceUnixEpoch());
    // Instants the C library cannot place (non-finite, or beyond time_t and its years)
    // have no known local offset; they count as UTC rather than overflow.
    constexpr double kTimeLimit = static_cast<double>(std::numeric_limits<std::time_t>::max());
    if (!(seconds >= -kTimeLimit && seconds < kTimeLimit)) return 0;
    const auto instant = static_cast<std::time_t>(seconds);
    std::tm local {};
    if (localtime_r(&instant, &local) == nullptr) return 0;
    return static_cast<int>(local.tm_gmtoff);
}

} // namespace tl
