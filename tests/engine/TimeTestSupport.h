#pragma once

#include "platform/Date.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace tl::test {

// The instant a wall clock at offsetSeconds from UTC shows the given date and time.
inline Date clockDate(
    int year, unsigned month, unsigned day, int hour, int minute, double second, int offsetSeconds = 0)
{
    using namespace std::chrono;
    const sys_days midnight { std::chrono::year { year } / std::chrono::month { month } / std::chrono::day { day } };
    const double dayStart = static_cast<double>(duration_cast<seconds>(midnight.time_since_epoch()).count());
    return Date::sinceUnixEpoch(dayStart + hour * 3600.0 + minute * 60.0 + second - offsetSeconds);
}

// Sets the process's local zone (a POSIX TZ rule, so no zone database is needed)
// and puts the previous one back.
class ScopedLocalZone {
public:
    explicit ScopedLocalZone(const char* rule)
    {
        if (const char* old = std::getenv("TZ")) previous_ = old;
        setenv("TZ", rule, 1);
        tzset();
    }
    ~ScopedLocalZone()
    {
        if (previous_)
            setenv("TZ", previous_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedLocalZone(const ScopedLocalZone&) = delete;
    ScopedLocalZone& operator=(const ScopedLocalZone&) = delete;

private:
    std::optional<std::string> previous_;
};

// US Mountain time: UTC-7, UTC-6 in summer.
inline constexpr const char* kMountainTime = "MST7MDT,M3.2.0,M11.1.0";

} // namespace tl::test
