#include "ui/desktop/DesktopBackgroundController.h"

#include "app/AppState.h"
#include "engine/desktop/ProjectWallpaper.h"
#include "platform/UserFolders.h"
#include "platform/qt/EventLoop.h"
#include "ui/desktop/LocationPrompt.h"
#include "ui/inspector/InspectorView.h"
#include "ui/inspector/SolarDebugView.h"

#include <QAction>
#include <QPointer>

namespace tl::ui {

namespace {

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n\n") + line;
    return text;
}

Alert failure(const std::string& text)
{
    return { "The desktop background could not be set.", text, AlertStyle::warning, { "OK" } };
}

} // namespace

DesktopBackgroundController::DesktopBackgroundController(AppState& appState, Services services, QObject* parent)
    : QObject(parent)
    , appState_(appState)
    , services_(std::move(services))
    , runs_(postToMainThread)
{
}

DesktopBackgroundController* DesktopBackgroundController::attach(
    QAction& action, AppState& appState, InspectorView& inspector, Dialogs& dialogs, QWidget& window)
{
    Services services;
    // The sun preview exists once the inspector has shown it; before that there is no place yet.
    services.inspectorLocation = [inspector = QPointer<InspectorView>(&inspector)]() -> std::optional<Location> {
        if (!inspector || !inspector->solarView()) return std::nullopt;
        return inspector->solarView()->model().effectiveLocation();
    };
    services.askLocation = [&window] { return LocationPrompt::ask(&window); };
    services.tell = [&dialogs](const Alert& alert) { dialogs.runAlert(alert); };
    auto* controller = new DesktopBackgroundController(appState, std::move(services), &window);
    connect(&action, &QAction::triggered, controller, [controller] { controller->setProjectAsDesktopBackground(); });
    return controller;
}

void DesktopBackgroundController::setProjectAsDesktopBackground()
{
    if (running_) return;
    const auto& path = appState_.currentProjectPath.get();
    auto source = desktop::projectWallpaper(
        path ? path->stem().string() : std::string("Dynamic Wallpaper"), appState_.images.get(), appState_.mode.get());
    if (!source) return services_.tell(failure(source.error().text));
    const auto dataHome = userDataFolder(*services_.environment);
    if (!dataHome)
        return services_.tell(failure("Your data folder could not be found (neither XDG_DATA_HOME nor HOME is set)."));

    const RunningDesktop desktop = runningDesktop(*services_.environment);
    desktop::SolarDay day { { 0, 0 }, desktop::localToday(), TimeZone::current() };
    // Plasma shows a light/dark pair, which needs no place.
    if (std::holds_alternative<desktop::SolarSchedule>(source.value().wallpaper.layout)
        && desktop.family != DesktopFamily::plasma) {
        auto place = services_.inspectorLocation();
        if (!place) place = services_.askLocation();
        if (!place) return;
        day.place = *place;
    }

    running_ = true;
    runs_.start(
        [this, source = std::move(source).value(), day, dataHome = *dataHome, desktop,
            background = std::shared_ptr<DesktopBackground>(services_.makeBackground())](const WorkerRuns::Run& run) {
            auto outcome = desktop::installDesktopWallpaper(source, day, dataHome, desktop, *background);
            run.postAlways([this, outcome = std::move(outcome)] { finish(outcome); });
        });
}

void DesktopBackgroundController::finish(const Result<desktop::InstallReport, desktop::DesktopError>& outcome)
{
    running_ = false;
    if (!outcome) return services_.tell(failure(outcome.error().text));
    const desktop::InstallReport& report = outcome.value();
    services_.tell({ report.applied ? "The desktop background is set." : "The wallpaper's files are written.",
        joined(report.messages), report.applied ? AlertStyle::informational : AlertStyle::warning, { "OK" } });
}

} // namespace tl::ui
