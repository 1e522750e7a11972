#include "cli/ComputerLocation.h"

#include "ui/inspector/QtLocationProvider.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <optional>
#include <string>

namespace tl::cli {
namespace {

class Answer final : public LocationProviderDelegate {
public:
    void didChangeAuthorization(LocationProvider&) override { }
    void didChangeAuthorizationStatus(LocationProvider&, LocationAuthorizationStatus) override { }
    void didUpdateLocations(LocationProvider&, const std::vector<Location>& locations) override
    {
        if (locations.empty()) return;
        settle(locations.back());
    }
    void didFailWithError(LocationProvider&, const std::string& description) override
    {
        settle(CommandFailure { "This computer's location is not known (" + description
            + "): give it with --location LATITUDE,LONGITUDE." });
    }

    std::optional<Result<Location, CommandFailure>> result;
    QEventLoop loop;

private:
    void settle(Result<Location, CommandFailure> answer)
    {
        if (result) return;
        result = std::move(answer);
        loop.quit();
    }
};

} // namespace

Result<Location, CommandFailure> askForLocation(LocationProvider& provider)
{
    Answer answer;
    provider.setDelegate(&answer);
    provider.requestLocation();
    // A provider may answer from inside the request, before there is a loop to leave.
    if (!answer.result) answer.loop.exec();
    provider.setDelegate(nullptr);
    return std::move(*answer.result);
}

LocateComputer desktopLocationService()
{
    return [] {
        // The service answers through Qt's event loop, which the command line otherwise never runs.
        static int argc = 1;
        static char name[] = "tidelumine-cli";
        static char* argv[] = { name, nullptr };
        std::optional<QCoreApplication> application;
        if (!QCoreApplication::instance()) application.emplace(argc, argv);
        ui::QtLocationProvider provider;
        return askForLocation(provider);
    };
}

} // namespace tl::cli
