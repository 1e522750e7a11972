#pragma once

#include "engine/LocationProvider.h"
#include "engine/desktop/DesktopInstall.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/WorkerRuns.h"

#include <QObject>

class QAction;
class QWidget;

#include <functional>
#include <memory>
#include <optional>

namespace tl {
class AppState;
}

namespace tl::ui {

class InspectorView;

// "Set as Desktop Background...": installs the project, as an export writes it, for the running
// desktop on a worker thread and tells the user what happened. The times of a time-mode wallpaper
// are worked out for the inspector's place and today; the user is asked for a place when there is none.
class DesktopBackgroundController final : public QObject {
    Q_OBJECT
public:
    struct Services {
        std::function<std::optional<Location>()> inspectorLocation;
        // None when the user declines to give one.
        std::function<std::optional<Location>()> askLocation;
        std::function<void(const Alert&)> tell;
        std::function<std::unique_ptr<DesktopBackground>()> makeBackground = makeGioDesktopBackground;
        const Environment* environment = &processEnvironment();
    };

    DesktopBackgroundController(AppState& appState, Services services, QObject* parent = nullptr);

    // The window's controller behind `action`: the inspector's sun preview gives the place, a prompt
    // asks for one, and alerts tell the outcome.
    static DesktopBackgroundController* attach(
        QAction& action, AppState& appState, InspectorView& inspector, Dialogs& dialogs, QWidget& window);

    void setProjectAsDesktopBackground();
    bool isRunning() const { return running_; }

    // Tests: waits until the worker has finished (its post still needs the event loop).
    void waitForWorkers() { runs_.waitForWorkers(); }

private:
    void finish(const Result<desktop::InstallReport, desktop::DesktopError>& outcome);

    AppState& appState_;
    Services services_;
    bool running_ = false;
    WorkerRuns runs_;
};

} // namespace tl::ui
