#pragma once

#include <compare>
#include <string>

namespace tl {

// An absolute instant, kept as seconds (with fraction) since 2001-01-01 00:00:00 UTC,
// the reference that stored dates use, so they read back exactly as written.
class Date {
public:
    static constexpr double kUnixEpochSinceReferenceDate = -978307200.0;

    constexpr Date() = default;

    static Date now();
    static constexpr Date sinceReferenceDate(double seconds) { return Date { seconds }; }
    static constexpr Date sinceUnixEpoch(double seconds) { return Date { seconds + kUnixEpochSinceReferenceDate }; }

    constexpr double secondsSinceReferenceDate() const { return seconds_; }
    constexpr double secondsSinceUnixEpoch() const { return seconds_ - kUnixEpochSinceReferenceDate; }
    constexpr Date adding(double seconds) const { return Date { seconds_ + seconds }; }

    friend constexpr auto operator<=>(const Date&, const Date&) = default;

private:
    explicit constexpr Date(double seconds)
        : seconds_(seconds)
    {
    }

    double seconds_ = 0.0;
};

// The instant in UTC to the whole second, as "2026-12-09T04:20:38Z" (fractions dropped, not rounded).
std::string iso8601Stamp(Date date);

} // namespace tl
