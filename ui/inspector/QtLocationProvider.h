#pragma once

#include "engine/LocationProvider.h"

#include <QObject>
#include <QString>
#include <QTimer>

class QGeoPositionInfoSource;

namespace tl::ui {

// The desktop's location service (GeoClue through Qt Positioning) behind the engine's provider
// interface. Every request ends in a fix or a failure within its timeout, also where no
// location daemon runs, so a caller waiting for the answer is never left waiting.
class QtLocationProvider final : public QObject, public LocationProvider {
    Q_OBJECT
public:
    static constexpr int defaultTimeoutMs = 15000;
    // The name the location service shows the user and keys its permission by.
    static constexpr const char* desktopId = "com.hollowquart.tidelumine";

    explicit QtLocationProvider(int timeoutMs = defaultTimeoutMs, QObject* parent = nullptr);
    ~QtLocationProvider() override;

    LocationAuthorizationStatus authorizationStatus() const override { return status_; }
    // The desktop asks the user itself when a fix is first requested.
    void requestWhenInUseAuthorization() override { }
    void requestLocation() override;

private:
    QGeoPositionInfoSource* source();
    void succeed(double latitude, double longitude);
    void fail(const QString& message);

    int timeoutMs_;
    QGeoPositionInfoSource* source_ = nullptr;
    bool sourceLookedUp_ = false;
    bool pending_ = false;
    // Our own deadline: a source may stay silent past its own timeout when its daemon is missing.
    QTimer deadline_;
    LocationAuthorizationStatus status_ = LocationAuthorizationStatus::notDetermined;
};

} // namespace tl::ui
