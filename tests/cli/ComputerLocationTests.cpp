// The command line's wait for the location service's answer.

#include "cli/ComputerLocation.h"
#include "engine/FakeLocationProvider.h"
#include "support/CoreApplicationTest.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace tl::cli {
namespace {

class ComputerLocationTest : public test::CoreApplicationTest {
protected:
    test::FakeLocationProvider::Log log;
    test::FakeLocationProvider provider { log };
};

TEST_F(ComputerLocationTest, TheAnswerIsAwaitedWhetherItComesAtOnceOrLater)
{
    provider.answerRequest = [](test::FakeLocationProvider& fake) {
        fake.updateLocations({ { 1, 2 }, { 52.37, 4.9 } });
    };
    const auto atOnce = askForLocation(provider);
    ASSERT_TRUE(atOnce);
    EXPECT_EQ(atOnce.value(), (Location { 52.37, 4.9 }));

    provider.answerRequest = [](test::FakeLocationProvider& fake) {
        QTimer::singleShot(20, [&fake] { fake.updateLocations({ { -33.9, 18.4 } }); });
    };
    const auto later = askForLocation(provider);
    ASSERT_TRUE(later);
    EXPECT_EQ(later.value(), (Location { -33.9, 18.4 }));
    EXPECT_TRUE(provider.isDelegate(nullptr)) << "the wait leaves no delegate behind";
}

TEST_F(ComputerLocationTest, AFailureSaysWhyAndHowToGiveThePlace)
{
    provider.answerRequest = [](test::FakeLocationProvider& fake) {
        QTimer::singleShot(0, [&fake] { fake.fail("The location service is not available."); });
    };
    const auto failed = askForLocation(provider);
    ASSERT_FALSE(failed);
    EXPECT_NE(failed.error().reason.find("The location service is not available."), std::string::npos);
    EXPECT_NE(failed.error().reason.find("--location LATITUDE,LONGITUDE"), std::string::npos);
}

} // namespace
} // namespace tl::cli
