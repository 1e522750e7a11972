#pragma once

#include "engine/LocationProvider.h"

#include <functional>
#include <string>
#include <vector>

namespace tl::test {

// Records what the service asks for and plays the platform's answers back to it.
class FakeLocationProvider final : public LocationProvider {
public:
    struct Log {
        std::vector<std::string> requests;
        bool destroyedWithDelegate = false;
    };

    explicit FakeLocationProvider(Log& log)
        : log_(log)
    {
    }
    ~FakeLocationProvider() override { log_.destroyedWithDelegate = delegate() != nullptr; }

    LocationAuthorizationStatus authorizationStatus() const override { return status; }
    void requestWhenInUseAuthorization() override { log_.requests.push_back("authorization"); }
    void requestLocation() override
    {
        log_.requests.push_back("location");
        if (answerRequest) answerRequest(*this);
    }

    bool isDelegate(const LocationProviderDelegate* candidate) const { return delegate() == candidate; }
    void changeAuthorization(LocationAuthorizationStatus newStatus)
    {
        status = newStatus;
        delegate()->didChangeAuthorization(*this);
    }
    void changeAuthorizationStatus(LocationAuthorizationStatus newStatus)
    {
        delegate()->didChangeAuthorizationStatus(*this, newStatus);
    }
    void updateLocations(const std::vector<Location>& locations) { delegate()->didUpdateLocations(*this, locations); }
    void fail(const std::string& description) { delegate()->didFailWithError(*this, description); }

    LocationAuthorizationStatus status = LocationAuthorizationStatus::notDetermined;
    // Lets a test answer from inside requestLocation(), as a platform may.
    std::function<void(FakeLocationProvider&)> answerRequest;

private:
    Log& log_;
};

} // namespace tl::test
