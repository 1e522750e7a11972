// Prints what the hour lookup and time-mode sorting of a timeline cost.
#include "app/AppState.h"

#include <chrono>
#include <iostream>
#include <random>

namespace {

using Clock = std::chrono::steady_clock;

double microsecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

}  // namespace

int main()
{
    using namespace tl;

    auto start = Clock::now();
    const auto rows = AppState::solarTable().size();
    std::cout << "solar table: " << rows << " rows built in " << microsecondsSince(start) << " us\n";

    std::mt19937 random{42};
    std::uniform_real_distribution<double> altitude{-60.0, 60.0};
    std::uniform_real_distribution<double> azimuth{0.0, 360.0};
    constexpr int lookups = 100000;
    double checksum = 0.0;
    start = Clock::now();
    for (int i = 0; i < lookups; ++i) checksum += AppState::hourForSolarPosition(altitude(random), azimuth(random));
    std::cout << "hour lookup: " << microsecondsSince(start) / lookups << " us each (checksum " << checksum << ")\n";

    for (const int count : {100, 1000}) {
        std::vector<WallpaperImage> timeline;
        for (int i = 0; i < count; ++i) {
            WallpaperImage image{.id = Uuid::random(), .fileName = "frame.png"};
            image.altitude = altitude(random);
            image.azimuth = azimuth(random);
            timeline.push_back(std::move(image));
        }
        InMemoryDefaults defaults;
        AppState state{defaults};
        start = Clock::now();
        state.setImages(std::move(timeline), WallpaperMode::time, false);
        std::cout << "sorting " << count << " frames by sun position: " << microsecondsSince(start) / 1000.0
                  << " ms\n";
    }
}
