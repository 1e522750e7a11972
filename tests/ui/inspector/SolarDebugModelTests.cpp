#include "ui/inspector/QtLocationProvider.h"
#include "ui/inspector/SolarDebugModel.h"
#include "ui/inspector/SolarDebugView.h"

#include "support/GermanLocale.h"
#include "ui/UiTestSupport.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace tl::ui {
namespace {

// A location service that answers when the test says so.
class ScriptedLocation final : public LocationProvider {
public:
    LocationAuthorizationStatus authorizationStatus() const override
    {
        return LocationAuthorizationStatus::notDetermined;
    }
    void requestWhenInUseAuthorization() override { }
    void requestLocation() override { ++requests; }
    void answer(Location place) { delegate()->didUpdateLocations(*this, { place }); }
    void fail(const std::string& message) { delegate()->didFailWithError(*this, message); }
    int requests = 0;
};

WallpaperImage framed(std::string name, std::optional<double> altitude, std::optional<double> azimuth)
{
    auto image = testing::keyImage(std::move(name));
    image.altitude = altitude;
    image.azimuth = azimuth;
    return image;
}

TEST(AzimuthDistance, FoldsOntoTheCircleTheShorterWayAndIsNeverNegative)
{
    EXPECT_EQ(azimuthDistance(350, 10), 20);
    EXPECT_EQ(azimuthDistance(10, 350), 20);
    EXPECT_EQ(azimuthDistance(0, 180), 180);
    EXPECT_EQ(azimuthDistance(725, 0), 5); // stored beyond a full turn
    EXPECT_EQ(azimuthDistance(-10, 10), 20);
    EXPECT_EQ(azimuthDistance(-400, 0), 40);
    for (double a = -1000; a <= 1000; a += 37.5) {
        const double d = azimuthDistance(a, 123.25);
        EXPECT_GE(d, 0) << a;
        EXPECT_LE(d, 180) << a;
    }
}

TEST(ClosestFrame, TheEarliestOfEquallyNearFramesWinsAndWrapAroundCounts)
{
    const SunPosition sun { 10, 10 };
    const std::vector<WallpaperImage> images { framed("no-position", std::nullopt, 10), framed("west", 10, 200),
        framed("across-north", 10, 350), framed("same-distance", 10, 30), framed("below", -30, 10) };
    const auto closest = closestFrame(images, sun);
    ASSERT_TRUE(closest.has_value());
    EXPECT_EQ(closest->image.fileName, "across-north");
    EXPECT_EQ(closest->azimuthDistance, 20);
    EXPECT_EQ(closest->altitudeDistance, 0);

    EXPECT_FALSE(closestFrame({ framed("only-altitude", 10, std::nullopt) }, sun).has_value());
}

TEST(ClosestFrame, AFrameWhoseAnglesAreNotNumbersIsNoCandidate)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<WallpaperImage> images { framed("broken", nan, 10), framed("far", -80, 190) };
    const auto closest = closestFrame(images, { 10, 10 });
    ASSERT_TRUE(closest.has_value());
    EXPECT_EQ(closest->image.fileName, "far");
}

class SolarModelTest : public tl::testing::AppStateTest {
protected:
    SolarModelTest()
    {
        auto location = std::make_unique<ScriptedLocation>();
        provider = location.get();
        model = std::make_unique<SolarDebugModel>(state, std::move(location), [this] { return now; });
    }

    Date now = Date::sinceUnixEpoch(1718884800); // 2024-06-20 12:00 UTC
    ScriptedLocation* provider;
    std::unique_ptr<SolarDebugModel> model;
};

TEST_F(SolarModelTest, WithoutAPlaceOnlyTheNoLocationLineShows)
{
    state.images.set({ framed("a", 10, 10) });
    EXPECT_EQ(model->locationLine(), "No location available. Use manual coordinates or allow location access.");
    EXPECT_FALSE(model->sunLine("12:00").has_value());
    EXPECT_FALSE(model->closestFrameLine().has_value());
    EXPECT_FALSE(model->errorLine().has_value());
}

TEST_F(SolarModelTest, TypedCoordinatesAreTrimmedAndReadWhole)
{
    model->setUseManualLocation(true);
    model->setManualLatitude(" 48.85 \n");
    model->setManualLongitude("2.35");
    EXPECT_EQ(model->locationLine(), "Location: 48.85°, 2.35°");
    const auto sun = model->sunLine("14:00");
    ASSERT_TRUE(sun.has_value());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Now: 14:00 • Alt -?\\d+\\.\\d\\d° • Az \\d+\\.\\d\\d°$"))
                    .match(*sun)
                    .hasMatch())
        << sun->toStdString();

    // Text that is not wholly a number falls back to the last fix, or to none.
    for (const char* bad : { "nan", "inf", "-inf", "48.85x", "", "4 8" }) {
        model->setManualLatitude(bad);
        EXPECT_FALSE(model->effectiveLocation().has_value()) << bad;
    }
    provider->answer({ 52.5, 13.4 });
    EXPECT_EQ(model->locationLine(), "Location: 52.50°, 13.40°");
    model->setManualLatitude("10");
    model->setUseManualLocation(false);
    EXPECT_EQ(model->locationLine(), "Location: 52.50°, 13.40°");
}

TEST_F(SolarModelTest, TheClosestFrameLineNamesTheFoldedDistance)
{
    model->setUseManualLocation(true);
    model->setManualLatitude("48.85");
    model->setManualLongitude("2.35");
    const auto sun = SolarPositionService::sunPosition(now, TimeZone::current(), 48.85, 2.35);
    state.images.set({ framed("far.png", sun.elevation - 5, sun.azimuth + 4),
        framed("near.png", sun.elevation + 3, sun.azimuth - 4), framed("night.png", -80, 0) });
    EXPECT_EQ(model->closestFrameLine(), QStringLiteral("Closest frame: near.png (ΔAlt 3.00°, ΔAz 4.00°)"));

    // A name that would read reversed or split the line is spelled out.
    state.images.set({ framed("photo\u202Egnp\n.exe", sun.elevation + 3, sun.azimuth - 4) });
    EXPECT_EQ(
        model->closestFrameLine(), QStringLiteral("Closest frame: photo\\u202Egnp\\n.exe (ΔAlt 3.00°, ΔAz 4.00°)"));
}

TEST_F(SolarModelTest, LocationRequestsShowTheirStateAndErrors)
{
    int changes = 0;
    const auto watch = model->observe([&] { ++changes; });
    model->requestLocation();
    EXPECT_EQ(provider->requests, 1);
    EXPECT_TRUE(model->isUpdating());
    provider->fail("Location access was denied.");
    EXPECT_FALSE(model->isUpdating());
    EXPECT_EQ(model->errorLine(), QStringLiteral("Location error: Location access was denied."));
    EXPECT_GT(changes, 0);

    // A new request clears the old error.
    model->requestLocation();
    EXPECT_FALSE(model->errorLine().has_value());
    const Date before = model->sampleDate();
    now = now.adding(600);
    model->refreshSampleDate();
    EXPECT_EQ(model->sampleDate().secondsSinceReferenceDate() - before.secondsSinceReferenceDate(), 600);
}

TEST_F(SolarModelTest, UnderAGermanLocaleTextsAndParsingKeepThePoint)
{
    tl::test::GermanLocale german;
    if (!german.active()) GTEST_SKIP() << german.why();
    model->setUseManualLocation(true);
    model->setManualLatitude("48,85");
    model->setManualLongitude("2.35");
    EXPECT_FALSE(model->effectiveLocation().has_value());
    model->setManualLatitude("48.85");
    EXPECT_EQ(model->locationLine(), "Location: 48.85°, 2.35°");
}

TEST_F(SolarModelTest, TheViewDisablesItsButtonWhileUpdatingAndShowsOnlyPresentLines)
{
    auto location = std::make_unique<ScriptedLocation>();
    ScriptedLocation& scripted = *location;
    SolarDebugView view(state, std::move(location));
    EXPECT_EQ(view.latitudeField()->placeholderText(), "Latitude");
    EXPECT_EQ(view.latitudeField()->width(), 120);
    EXPECT_TRUE(view.sunLine()->isHidden());
    EXPECT_TRUE(view.errorLine()->isHidden());

    view.currentLocationButton()->click();
    EXPECT_FALSE(view.currentLocationButton()->isEnabled());
    scripted.fail("The location service is not available.");
    EXPECT_TRUE(view.currentLocationButton()->isEnabled());
    EXPECT_EQ(view.errorLine()->text(), "Location error: The location service is not available.");
    EXPECT_FALSE(view.errorLine()->isHidden());
    EXPECT_FALSE(view.currentLocationButton()->autoDefault());
}

TEST_F(SolarModelTest, TheSunLineShowsHoursAndMinutesOnlyInTheCLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale::c());
    SolarDebugView view(state, std::make_unique<ScriptedLocation>());
    view.model().setUseManualLocation(true);
    view.model().setManualLatitude("48.85");
    view.model().setManualLongitude("2.35");
    QLocale::setDefault(previous);
    ASSERT_FALSE(view.sunLine()->isHidden());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Now: \\d\\d:\\d\\d • ")).match(view.sunLine()->text()).hasMatch())
        << view.sunLine()->text().toStdString();
}

class QtLocationTest : public tl::testing::AppStateTest { };

TEST_F(QtLocationTest, ARequestIsAnsweredWithinItsTimeoutAndTheButtonComesBack)
{
    // Where no location daemon runs (CI, containers) the answer is an error line; it must come.
    constexpr int timeoutMs = 300;
    SolarDebugView view(state, std::make_unique<QtLocationProvider>(timeoutMs));
    QElapsedTimer clock;
    clock.start();
    // The source may refuse at once (no bus at all) or only after its timeout.
    view.currentLocationButton()->click();
    ASSERT_TRUE(testing::processEventsUntil([&] { return view.currentLocationButton()->isEnabled(); }));
    EXPECT_LT(clock.elapsed(), timeoutMs + 3000);
    const bool answered = view.model().effectiveLocation().has_value();
    EXPECT_TRUE(answered || view.model().errorLine().has_value());
    if (!answered) {
        EXPECT_TRUE(view.errorLine()->text().startsWith("Location error: "));
    }
}

} // namespace
} // namespace tl::ui
