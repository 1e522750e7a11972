#include "engine/SolarPositionService.h"

#include <utility>

namespace tl {

SunPosition SolarPositionService::sunPosition(Date date, const TimeZone& timeZone, double latitude, double longitude)
{
    return tl::sunPosition(date, timeZone, latitude, longitude);
}

SolarPositionService::SolarPositionService(std::unique_ptr<LocationProvider> manager)
    : manager_(std::move(manager))
{
    manager_->setDelegate(this);
}

SolarPositionService::~SolarPositionService()
{
    manager_->setDelegate(nullptr);
}

void SolarPositionService::requestLocation()
{
    // State first: a provider may answer before these calls return.
    errorMessage = std::nullopt;
    isUpdating = true;
    manager_->requestWhenInUseAuthorization();
    manager_->requestLocation();
}

void SolarPositionService::didChangeAuthorization(LocationProvider& manager)
{
    storeAuthorization(manager, manager.authorizationStatus());
}

void SolarPositionService::didChangeAuthorizationStatus(LocationProvider& manager, LocationAuthorizationStatus status)
{
    storeAuthorization(manager, status);
}

void SolarPositionService::storeAuthorization(LocationProvider& manager, LocationAuthorizationStatus status)
{
    authorizationStatus = status;
    // Only a fresh "always" grant fetches a fix on its own; it leaves isUpdating alone.
    if (status == LocationAuthorizationStatus::authorizedAlways) manager.requestLocation();
}

void SolarPositionService::didUpdateLocations(LocationProvider&, const std::vector<Location>& locations)
{
    lastLocation = locations.empty() ? std::nullopt : std::optional<Location> { locations.back() };
    isUpdating = false;
}

void SolarPositionService::didFailWithError(LocationProvider&, const std::string& localizedDescription)
{
    errorMessage = localizedDescription;
    isUpdating = false;
}

} // namespace tl
