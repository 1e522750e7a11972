#pragma once

#include "engine/LocationProvider.h"
#include "engine/SunPosition.h"
#include "engine/TimeZone.h"
#include "platform/Date.h"
#include "platform/Observation.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tl {

// Asks the location service for the computer's position and publishes the answer.
// Used from the main thread only.
class SolarPositionService final : public LocationProviderDelegate {
public:
    static SunPosition sunPosition(Date date, const TimeZone& timeZone, double latitude, double longitude);

    // manager must not be null; the service owns it and is its delegate for life.
    explicit SolarPositionService(std::unique_ptr<LocationProvider> manager);
    ~SolarPositionService();
    SolarPositionService(const SolarPositionService&) = delete;
    SolarPositionService& operator=(const SolarPositionService&) = delete;

    void requestLocation();

    void didChangeAuthorization(LocationProvider& manager) override;
    void didChangeAuthorizationStatus(LocationProvider& manager, LocationAuthorizationStatus status) override;
    void didUpdateLocations(LocationProvider& manager, const std::vector<Location>& locations) override;
    void didFailWithError(LocationProvider& manager, const std::string& localizedDescription) override;

    Observable<LocationAuthorizationStatus> authorizationStatus { LocationAuthorizationStatus::notDetermined };
    Observable<std::optional<Location>> lastLocation;
    Observable<std::optional<std::string>> errorMessage;
    // True from a request until its fix or failure.
    Observable<bool> isUpdating { false };

private:
    void storeAuthorization(LocationProvider& manager, LocationAuthorizationStatus status);

    std::unique_ptr<LocationProvider> manager_;
};

} // namespace tl
