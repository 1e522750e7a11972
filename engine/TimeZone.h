#pragma once

#include "platform/Date.h"

#include <optional>

namespace tl {

// A time zone reduced to what clock-time arithmetic needs: its offset from UTC at an instant.
class TimeZone {
public:
    static TimeZone utc();
    static TimeZone fixed(int secondsFromGMT);
    // The process's local zone (TZ or the system setting, re-read here); its offset
    // follows daylight saving, so it is looked up per instant.
    static TimeZone current();

    int secondsFromGMT(Date date) const;

private:
    explicit TimeZone(std::optional<int> fixedOffset)
        : fixedOffset_(fixedOffset)
    {
    }

    std::optional<int> fixedOffset_; // none: the process's local zone
};

} // namespace tl
