#pragma once

#include <QString>

#include <optional>

namespace tl::ui {

// "HH:MM" of an hour of the day, both parts truncated toward zero (24.0 reads 24:00).
QString formatHour(double hour);

// "Alt: 5.0°  Az: 90.0°"; an absent value reads 0.0.
QString sunPositionCaption(std::optional<double> altitude, std::optional<double> azimuth);

// A fraction 0...1 as a whole percentage cut toward zero ("99%"); a value that is not a
// finite number reads 0%, and the fraction is clamped to 0...1 first.
QString percentText(double fraction);

// current ÷ total as a fraction that is always finite and within 0...1 (a total of 0 gives 0).
double progressFraction(long long current, long long total);

} // namespace tl::ui
