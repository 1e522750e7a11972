#pragma once

#include <string>
#include <vector>

namespace tl {

// Raw values match the platform's constants so stored or logged statuses keep their meaning.
enum class LocationAuthorizationStatus {
    notDetermined = 0,
    restricted = 1,
    denied = 2,
    authorizedAlways = 3,
    authorizedWhenInUse = 4,
};

struct Location {
    double latitude;
    double longitude;

    friend bool operator==(const Location&, const Location&) = default;
};

class LocationProvider;

// Receives a provider's answers, on the thread that created the provider.
class LocationProviderDelegate {
public:
    virtual void didChangeAuthorization(LocationProvider& manager) = 0;
    // The older form of the same notification, carrying the new status.
    virtual void didChangeAuthorizationStatus(LocationProvider& manager, LocationAuthorizationStatus status) = 0;
    virtual void didUpdateLocations(LocationProvider& manager, const std::vector<Location>& locations) = 0;
    virtual void didFailWithError(LocationProvider& manager, const std::string& localizedDescription) = 0;

protected:
    ~LocationProviderDelegate() = default;
};

// The computer's location service; a backend answers requests through its delegate.
class LocationProvider {
public:
    virtual ~LocationProvider() = default;

    virtual LocationAuthorizationStatus authorizationStatus() const = 0;
    virtual void requestWhenInUseAuthorization() = 0;
    // Asks for one fix, answered by didUpdateLocations or didFailWithError.
    virtual void requestLocation() = 0;

    // Not owned; the delegate clears itself before it goes away.
    void setDelegate(LocationProviderDelegate* delegate) { delegate_ = delegate; }

protected:
    LocationProviderDelegate* delegate() const { return delegate_; }

private:
    LocationProviderDelegate* delegate_ = nullptr;
};

} // namespace tl
