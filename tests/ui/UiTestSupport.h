#pragma once

#include "app/AppUIState.h"
#include "support/AppStateFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <filesystem>
#include <functional>

namespace tl::testing {

// Runs the event loop until `done` holds or a few seconds have passed.
inline bool processEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A store and a window state over in-memory defaults.
class UiStateTest : public AppStateTest {
protected:
    AppUIState ui { defaults };
};

// A folder removed with everything in it when the test ends.
class TemporaryFolder {
public:
    TemporaryFolder()
        : path_(std::filesystem::temp_directory_path() / ("tl-ui-" + Uuid::random().text()))
    {
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace tl::testing
