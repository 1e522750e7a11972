#include "ui/inspector/SolarDebugModel.h"

#include "app/AppState.h"
#include "engine/TimeZone.h"
#include "platform/NumberText.h"
#include "platform/qt/QtText.h"
#include "ui/inspector/DegreesText.h"

#include <cmath>

namespace tl::ui {

double azimuthDistance(double a, double b)
{
    const double d = std::fmod(std::abs(a - b), 360.0);
    return d <= 360 - d ? d : 360 - d;
}

std::optional<ClosestFrame> closestFrame(const std::vector<WallpaperImage>& images, SunPosition sun)
{
    std::optional<ClosestFrame> best;
    double bestSum = 0;
    for (const auto& image : images) {
        if (!image.altitude || !image.azimuth) continue;
        // A stored NaN would otherwise win every comparison it is part of by losing none.
        if (!std::isfinite(*image.altitude) || !std::isfinite(*image.azimuth)) continue;
        const double dAlt = std::abs(*image.altitude - sun.elevation);
        const double dAz = azimuthDistance(*image.azimuth, sun.azimuth);
        const double sum = dAlt * dAlt + dAz * dAz;
        // Strictly smaller: the earliest of equally near frames stays.
        if (!best || sum < bestSum) {
            best = ClosestFrame { image, dAlt, dAz };
            bestSum = sum;
        }
    }
    return best;
}

SolarDebugModel::SolarDebugModel(AppState& appState, std::unique_ptr<LocationProvider> location, Clock clock)
    : appState_(appState)
    , service_(std::move(location))
    , clock_(std::move(clock))
    , sampleDate_(clock_())
{
    const auto update = [this] { changed(); };
    observations_.push_back(appState_.images.observe(update));
    observations_.push_back(service_.lastLocation.observe(update));
    observations_.push_back(service_.errorMessage.observe(update));
    observations_.push_back(service_.isUpdating.observe(update));
}

void SolarDebugModel::setManualLatitude(std::string text)
{
    manualLatitude_ = std::move(text);
    changed();
}

void SolarDebugModel::setManualLongitude(std::string text)
{
    manualLongitude_ = std::move(text);
    changed();
}

void SolarDebugModel::setUseManualLocation(bool on)
{
    useManualLocation_ = on;
    changed();
}

void SolarDebugModel::requestLocation()
{
    service_.requestLocation();
}

void SolarDebugModel::refreshSampleDate()
{
    sampleDate_ = clock_();
    changed();
}

std::optional<Location> SolarDebugModel::effectiveLocation() const
{
    if (useManualLocation_) {
        // Whole C-locale numbers only; "nan" and "inf" are not places.
        const auto latitude = parseDecimal(manualLatitude_);
        const auto longitude = latitude ? parseDecimal(manualLongitude_) : std::nullopt;
        if (latitude && longitude) return Location { *latitude, *longitude };
    }
    return service_.lastLocation.get();
}

std::optional<SunPosition> SolarDebugModel::sun() const
{
    const auto place = effectiveLocation();
    if (!place) return std::nullopt;
    return SolarPositionService::sunPosition(sampleDate_, TimeZone::current(), place->latitude, place->longitude);
}

std::optional<ClosestFrame> SolarDebugModel::closestFrame() const
{
    const auto position = sun();
    if (!position) return std::nullopt;
    return ui::closestFrame(appState_.images.get(), *position);
}

QString SolarDebugModel::locationLine() const
{
    const auto place = effectiveLocation();
    if (!place) return QStringLiteral("No location available. Use manual coordinates or allow location access.");
    return QStringLiteral("Location: %1, %2").arg(degreesText(place->latitude, 2), degreesText(place->longitude, 2));
}

std::optional<QString> SolarDebugModel::sunLine(const QString& sampleTime) const
{
    const auto position = sun();
    if (!position) return std::nullopt;
    return QStringLiteral("Now: %1 • Alt %2 • Az %3")
        .arg(sampleTime, degreesText(position->elevation, 2), degreesText(position->azimuth, 2));
}

std::optional<QString> SolarDebugModel::closestFrameLine() const
{
    const auto closest = closestFrame();
    if (!closest) return std::nullopt;
    return QStringLiteral("Closest frame: %1 (ΔAlt %2, ΔAz %3)")
        .arg(toDisplayText(closest->image.fileName), degreesText(closest->altitudeDistance, 2),
            degreesText(closest->azimuthDistance, 2));
}

std::optional<QString> SolarDebugModel::errorLine() const
{
    const auto& message = service_.errorMessage.get();
    if (!message) return std::nullopt;
    return QStringLiteral("Location error: ") + QString::fromStdString(*message);
}

} // namespace tl::ui
