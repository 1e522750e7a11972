#include "app/TimeOfDayTable.h"

#include <cmath>

namespace tl {

const TimeOfDayRow* matchingTimeOfDayRow(double altitude, double azimuth)
{
    for (const auto& row : kTimeOfDayTable) {
        if (!(std::abs(altitude - row.altitude) < row.altitudeTolerance)) continue;
        if (!row.anyAzimuth && !(std::abs(azimuth - row.azimuth) < kTimeOfDayAzimuthTolerance)) continue;
        return &row;
    }
    return nullptr;
}

} // namespace tl
