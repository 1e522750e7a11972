#pragma once

#include "app/AppUIState.h"
#include "support/AppStateFixture.h"
#include "support/HangLimit.h"

#include <QBuffer>
#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>

#include <filesystem>
#include <functional>
#include <string>

namespace tl::testing {

// Runs the event loop until `done` holds or a hang is called.
inline bool processEventsUntil(const std::function<bool()>& done, int timeoutMs = static_cast<int>(hangLimit.count()))
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The bytes of a PNG file of one colour, as a server would answer with a picture.
inline std::string pngBytes(QColor colour = Qt::red, QSize size = { 8, 6 })
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes.toStdString();
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
