#include "ui/inspector/QtLocationProvider.h"

#include <QGeoPositionInfoSource>
#include <QVariantMap>

namespace tl::ui {
namespace {

// How long past the source's own timeout our deadline waits for its answer.
constexpr int deadlineGraceMs = 1000;

QString errorText(QGeoPositionInfoSource::Error error)
{
    switch (error) {
    case QGeoPositionInfoSource::AccessError:
        return QStringLiteral("Location access was denied.");
    case QGeoPositionInfoSource::ClosedError:
        return QStringLiteral("The location service is not available.");
    case QGeoPositionInfoSource::UpdateTimeoutError:
        return QStringLiteral("The location request timed out.");
    case QGeoPositionInfoSource::UnknownSourceError:
    case QGeoPositionInfoSource::NoError:
        break;
    }
    return QStringLiteral("The location service failed.");
}

} // namespace

QtLocationProvider::QtLocationProvider(int timeoutMs, QObject* parent)
    : QObject(parent)
    , timeoutMs_(timeoutMs)
{
    deadline_.setSingleShot(true);
    connect(
        &deadline_, &QTimer::timeout, this, [this] { fail(errorText(QGeoPositionInfoSource::UpdateTimeoutError)); });
}

QtLocationProvider::~QtLocationProvider() = default;

QGeoPositionInfoSource* QtLocationProvider::source()
{
    // Looked up on the first request, not when the view opens: it may start a D-Bus conversation.
    if (sourceLookedUp_) return source_;
    sourceLookedUp_ = true;
    const QVariantMap parameters { { QStringLiteral("desktopId"), QString::fromLatin1(desktopId) } };
    source_ = QGeoPositionInfoSource::createSource(QStringLiteral("geoclue2"), parameters, this);
    if (!source_) source_ = QGeoPositionInfoSource::createDefaultSource(parameters, this);
    if (!source_) return nullptr;
    connect(source_, &QGeoPositionInfoSource::positionUpdated, this,
        [this](const QGeoPositionInfo& info) { succeed(info.coordinate().latitude(), info.coordinate().longitude()); });
    connect(source_, &QGeoPositionInfoSource::errorOccurred, this, [this](QGeoPositionInfoSource::Error error) {
        if (error == QGeoPositionInfoSource::AccessError) status_ = LocationAuthorizationStatus::denied;
        fail(errorText(error));
    });
    return source_;
}

void QtLocationProvider::requestLocation()
{
    pending_ = true;
    deadline_.start(timeoutMs_ + deadlineGraceMs);
    if (QGeoPositionInfoSource* found = source()) {
        // Never 0: without a daemon a request with no timeout is never answered.
        found->requestUpdate(timeoutMs_);
    } else {
        // Answered from the event loop, as a real source would answer.
        QTimer::singleShot(0, this, [this] { fail(QStringLiteral("No location source is available.")); });
    }
}

void QtLocationProvider::succeed(double latitude, double longitude)
{
    if (!pending_) return;
    pending_ = false;
    deadline_.stop();
    status_ = LocationAuthorizationStatus::authorizedWhenInUse;
    if (LocationProviderDelegate* receiver = delegate())
        receiver->didUpdateLocations(*this, { { latitude, longitude } });
}

void QtLocationProvider::fail(const QString& message)
{
    // One answer per request: a late error after our deadline already spoke is dropped.
    if (!pending_) return;
    pending_ = false;
    deadline_.stop();
    if (LocationProviderDelegate* receiver = delegate()) receiver->didFailWithError(*this, message.toStdString());
}

} // namespace tl::ui
