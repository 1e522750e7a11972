// Prints how long the window cannot answer while a 24-frame project of 4480x2520 pictures is
// opened into the main window (until every library picture has arrived), played in the single
// layout, and saved to a new package.
#include "app/AppState.h"
#include "app/ProjectPackage.h"
#include "bench/ui/GuiStall.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Environment.h"
#include "platform/http/HttpTransport.h"
#include "platform/qt/QtDialogs.h"
#include "shell/TidelumineApp.h"
#include "ui/library/ImagesLibraryView.h"
#include "ui/library/TimelineListModel.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include <filesystem>
#include <iostream>
#include <optional>

namespace fs = std::filesystem;

namespace {

constexpr int frameCount = 24;

// The bench never leaves the machine, not even for the update check.
class NoNetwork final : public tl::HttpTransport {
public:
    tl::Result<tl::HttpResponse, tl::HttpError> send(const tl::HttpRequest&, std::stop_token) override
    {
        return tl::HttpError { tl::HttpError::Kind::cannotConnect };
    }
};

// One smooth 4480x2520 picture, copied once per frame so every frame is its own file.
fs::path writePackage(const fs::path& folder)
{
    QImage picture(4480, 2520, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = qRgb(x * 255 / picture.width(), y * 255 / picture.height(), (x ^ y) & 0xff);
    }
    const auto original = folder / "original.png";
    picture.save(QString::fromStdString(original.string()));

    tl::InMemoryDefaults defaults;
    tl::AppState state(defaults);
    for (int i = 0; i < frameCount; ++i) {
        const auto file = folder / "sources" / ("frame-" + std::to_string(i + 1) + ".png");
        fs::create_directories(file.parent_path());
        fs::copy_file(original, file, fs::copy_options::overwrite_existing);
        state.images.mutate([&](std::vector<tl::WallpaperImage>& images) {
            images.push_back({ .id = tl::Uuid::random(),
                .fileName = file.filename().string(),
                .altitude = -30.0 + 5.0 * i,
                .azimuth = 15.0 * i,
                .sourcePath = file.string() });
        });
    }
    const auto package = folder / "Day.vorrind";
    const auto contents = tl::packageContents(package, state);
    if (!contents || !tl::writePackage(contents.value()).result) std::cerr << "could not write the package\n";
    return package;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const auto folder = fs::temp_directory_path() / "tidelumine-open-bench";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const auto package = writePackage(folder);

    tl::InMemoryDefaults defaults;
    tl::QtDialogs dialogs;
    tl::QtMainThreadScheduler scheduler;
    NoNetwork network;
    tl::TidelumineApp app({ defaults, dialogs, scheduler, network, tl::processEnvironment(), tl::systemClock() });

    app.start({});
    QElapsedTimer clock;
    clock.start();
    qint64 stall = tl::bench::longestStallUntil([&] { return clock.elapsed() > 1000; });
    std::cout << "showing the empty window: longest GUI-thread stall " << stall << " ms\n";

    auto& content = *static_cast<tl::ContentView*>(app.mainWindow()->centralWidget());
    auto& model = content.library().model();
    clock.restart();
    // Opened as the desktop would hand the package over, from within the event loop.
    qint64 openCall = -1;
    QTimer::singleShot(0, [&] {
        QElapsedTimer call;
        call.start();
        app.lifecycle.openFile(package);
        openCall = call.elapsed();
    });
    int shown = 0;
    stall = tl::bench::longestStallUntil([&] {
        while (shown < model.rowCount() && !model.thumbnail(shown).isNull())
            ++shown;
        return shown == frameCount;
    });
    std::cout << "opening " << frameCount
              << " frames of 4480x2520 until every library picture is shown: " << clock.elapsed()
              << " ms, the open itself " << openCall << " ms, longest GUI-thread stall " << stall << " ms\n";

    clock.restart();
    app.uiState.viewMode = tl::LibraryViewMode::single;
    app.uiState.isTimelinePlaying = true;
    stall = tl::bench::longestStallUntil([&] { return clock.elapsed() > 6000; });
    app.uiState.isTimelinePlaying = false;
    std::cout << "playing the single layout for 6 s: longest GUI-thread stall " << stall << " ms\n";

    clock.restart();
    std::optional<bool> saved;
    app.projectIO.saveProject(folder / "Copy.vorrind", app.appState, [&](bool outcome) { saved = outcome; });
    stall = tl::bench::longestStallUntil([&] { return saved.has_value(); });
    std::cout << "saving " << frameCount << " frames to a new package: " << clock.elapsed() << " ms ("
              << (*saved ? "saved" : "failed") << "), longest GUI-thread stall " << stall << " ms\n";

    fs::remove_all(folder);
    return 0;
}
