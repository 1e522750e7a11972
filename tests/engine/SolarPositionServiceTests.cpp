#include "engine/SolarPositionService.h"
#include "tests/engine/FakeLocationProvider.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace tl {
namespace {

using Status = LocationAuthorizationStatus;
using Requests = std::vector<std::string>;

class SolarPositionServiceTest : public ::testing::Test {
protected:
    SolarPositionServiceTest()
    {
        auto provider = std::make_unique<test::FakeLocationProvider>(log);
        fake = provider.get();
        service = std::make_unique<SolarPositionService>(std::move(provider));
    }

    test::FakeLocationProvider::Log log;
    test::FakeLocationProvider* fake = nullptr;
    std::unique_ptr<SolarPositionService> service;
};

TEST_F(SolarPositionServiceTest, StartsIdleAsDelegateAndDetachesBeforeItsProviderGoes)
{
    EXPECT_TRUE(fake->isDelegate(service.get()));
    EXPECT_EQ(service->authorizationStatus.get(), Status::notDetermined);
    EXPECT_EQ(service->lastLocation.get(), std::nullopt);
    EXPECT_EQ(service->errorMessage.get(), std::nullopt);
    EXPECT_FALSE(service->isUpdating.get());
    EXPECT_TRUE(log.requests.empty());

    service.reset();
    EXPECT_FALSE(log.destroyedWithDelegate);
}

TEST_F(SolarPositionServiceTest, RequestClearsTheErrorAndAsksForAuthorizationThenOneFix)
{
    fake->fail("earlier failure");
    service->requestLocation();

    EXPECT_EQ(log.requests, (Requests { "authorization", "location" }));
    EXPECT_TRUE(service->isUpdating.get());
    EXPECT_EQ(service->errorMessage.get(), std::nullopt);
}

TEST_F(SolarPositionServiceTest, AnswerArrivingInsideTheRequestStillEndsTheUpdate)
{
    fake->answerRequest
        = [](test::FakeLocationProvider& provider) { provider.fail("The operation couldn't be completed."); };
    service->requestLocation();

    EXPECT_FALSE(service->isUpdating.get());
    EXPECT_EQ(service->errorMessage.get(), "The operation couldn't be completed.");
}

TEST_F(SolarPositionServiceTest, UpdateKeepsTheNewestFixAndAnEmptyListClearsIt)
{
    service->requestLocation();
    fake->updateLocations({ { 10.0, 20.0 }, { 40.0, -105.0 } });
    EXPECT_EQ(service->lastLocation.get(), (Location { 40.0, -105.0 }));
    EXPECT_FALSE(service->isUpdating.get());

    service->requestLocation();
    fake->updateLocations({});
    EXPECT_EQ(service->lastLocation.get(), std::nullopt);
    EXPECT_FALSE(service->isUpdating.get());
}

TEST_F(SolarPositionServiceTest, FailureReportsItsDescriptionAndKeepsTheLastFix)
{
    fake->updateLocations({ { 51.5, 0.0 } });
    service->requestLocation();
    fake->fail("Location unknown");

    EXPECT_EQ(service->errorMessage.get(), "Location unknown");
    EXPECT_FALSE(service->isUpdating.get());
    EXPECT_EQ(service->lastLocation.get(), (Location { 51.5, 0.0 }));
}

TEST_F(SolarPositionServiceTest, OnlyAnAlwaysGrantFetchesAFixAndItLeavesUpdatingAlone)
{
    for (const auto status :
        { Status::notDetermined, Status::restricted, Status::denied, Status::authorizedWhenInUse }) {
        fake->changeAuthorization(status);
        EXPECT_EQ(service->authorizationStatus.get(), status);
        fake->changeAuthorizationStatus(status);
        EXPECT_EQ(service->authorizationStatus.get(), status);
    }
    EXPECT_TRUE(log.requests.empty());

    fake->changeAuthorization(Status::authorizedAlways);
    EXPECT_EQ(log.requests, Requests { "location" });
    // The older callback trusts the status it carries, not the provider's.
    fake->status = Status::denied;
    fake->changeAuthorizationStatus(Status::authorizedAlways);
    EXPECT_EQ(service->authorizationStatus.get(), Status::authorizedAlways);
    EXPECT_EQ(log.requests, (Requests { "location", "location" }));
    EXPECT_FALSE(service->isUpdating.get());
}

} // namespace
} // namespace tl
