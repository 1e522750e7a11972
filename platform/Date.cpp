#include "platform/Date.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace tl {

Date Date::now()
{
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return sinceUnixEpoch(std::chrono::duration<double>(sinceEpoch).count());
}

std::string iso8601Stamp(Date date)
{
    using namespace std::chrono;
    const auto seconds
        = sys_seconds { std::chrono::seconds { static_cast<long long>(std::floor(date.secondsSinceUnixEpoch())) } };
    const auto day = floor<days>(seconds);
    const year_month_day ymd { day };
    const hh_mm_ss clock { seconds - day };
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
        static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), static_cast<int>(clock.hours().count()),
        static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()));
    return text;
}

} // namespace tl
