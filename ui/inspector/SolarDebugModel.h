#pragma once

#include "engine/LocationProvider.h"
#include "engine/SolarPositionService.h"
#include "model/WallpaperImage.h"
#include "platform/Date.h"
#include "platform/Observation.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tl {
class AppState;
}

namespace tl::ui {

// The project image whose sun position lies nearest a given one, and how far off it is.
struct ClosestFrame {
    WallpaperImage image;
    double altitudeDistance;
    double azimuthDistance; // the shorter way round, 0...180
};

// |a − b| folded onto the circle and taken the shorter way: 350 and 10 are 20 apart.
double azimuthDistance(double a, double b);

// The first image, in timeline order, with the smallest squared distance to the sun; images
// without both angles (or with angles that are not finite numbers) are not candidates.
std::optional<ClosestFrame> closestFrame(const std::vector<WallpaperImage>& images, SunPosition sun);

// The sun preview without widgets: the place (typed, or the computer's location), the sun there
// at the sample moment, the nearest frame, and the lines that show them. Reads the project only.
class SolarDebugModel {
public:
    using Clock = std::function<Date()>;

    SolarDebugModel(AppState& appState, std::unique_ptr<LocationProvider> location, Clock clock = &Date::now);
    SolarDebugModel(const SolarDebugModel&) = delete;
    SolarDebugModel& operator=(const SolarDebugModel&) = delete;

    void setManualLatitude(std::string text);
    void setManualLongitude(std::string text);
    void setUseManualLocation(bool on);
    bool useManualLocation() const { return useManualLocation_; }
    void requestLocation();
    void refreshSampleDate();
    Date sampleDate() const { return sampleDate_; }
    bool isUpdating() const { return service_.isUpdating.get(); }

    // The typed place when switched on and both texts are whole numbers, else the last fix.
    std::optional<Location> effectiveLocation() const;
    std::optional<SunPosition> sun() const;
    std::optional<ClosestFrame> closestFrame() const;

    QString locationLine() const;
    // Present with a place; `sampleTime` is the sample moment as the user's locale writes it.
    std::optional<QString> sunLine(const QString& sampleTime) const;
    std::optional<QString> closestFrameLine() const;
    std::optional<QString> errorLine() const;

    // Called after anything shown may have changed.
    [[nodiscard]] Observation observe(std::function<void()> callback) { return changes_.observe(std::move(callback)); }

private:
    void changed() const { changes_.notify(); }

    AppState& appState_;
    SolarPositionService service_;
    Clock clock_;
    std::string manualLatitude_;
    std::string manualLongitude_;
    bool useManualLocation_ = false;
    Date sampleDate_;
    mutable ChangeNotifier changes_;
    std::vector<Observation> observations_;
};

} // namespace tl::ui
