// Saves pictures of the create-wallpaper sheet into the folder given as the first argument: empty,
// halfway through a run against the loopback product server, finished, and a run cancelled halfway
// in a dark palette. Run under Xvfb.
#include "generation/ManualClock.h"
#include "generation/RecordingTransport.h"
#include "generation/fakes/FakeProductServer.h"
#include "platform/qt/EventLoop.h"
#include "ui/ScreenshotSupport.h"
#include "ui/generation/CreateWallpaperSheet.h"

#include <QApplication>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

// A landscape whose sky brightens with the phase named in the prompt.
std::string scene(const std::string& prompt)
{
    const auto shade = static_cast<double>(std::hash<std::string> {}(prompt) % 160) + 60;
    cv::Mat pixels(360, 640, CV_8UC3, cv::Scalar(shade, shade * 0.8, shade * 0.5));
    cv::rectangle(pixels, { 0, 240 }, { 640, 360 }, cv::Scalar(40, 90, 50), cv::FILLED);
    cv::circle(pixels, { 480, 120 }, 40, cv::Scalar(120, 220, 255), cv::FILLED);
    std::vector<uchar> png;
    cv::imencode(".png", pixels, png);
    return { png.begin(), png.end() };
}

// The server road never asks a provider.
class NoProviders final : public tl::ImageGenerationService {
public:
    bool isConfigured() const override { return false; }
    tl::GenerationResult<tl::GeneratedImage> generateImage(const std::string&, const std::string&, const std::string&,
        const std::optional<std::string>&, const std::optional<std::string>&, const std::optional<std::string>&,
        std::stop_token) override
    {
        return tl::ImageGenerationError::missingAPIKey();
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const auto outFolder = tl::testing::screenshotFolder(argc, argv, "create_sheet_screenshots");
    if (!outFolder) return 2;
    const std::filesystem::path& out = *outFolder;

    tl::InMemoryDefaults defaults;
    tl::AppState state(defaults);
    tl::testing::FakeProductServer server;
    server.imageFor = scene;
    server.proxyDelay = [](const std::string&) { return std::chrono::milliseconds(250); };
    tl::testing::RecordingTransport transport;
    tl::InMemoryDefaults serverDefaults;
    tl::testing::ManualClock clock;
    tl::FolderResources resources { {} };
    tl::testing::TemporaryFolder folder;
    NoProviders providers;
    tl::ui::CreateWallpaperServices services {
        .appState = state,
        .imageService = providers,
        .server = { transport, serverDefaults, clock, resources, { "com.example.tidelumine", "2.5.0", std::nullopt } },
        .serverURL = [&] { return server.url(); },
        .chooseImageFile = {},
        .userDataFolder = {},
        .temporaryFolder = folder.path(),
        .poster = tl::postToMainThread,
    };
    tl::ui::CreateWallpaperSheet sheet(std::move(services), std::string(tl::ui::create_sheet::defaultModel));
    sheet.show();
    tl::testing::settle(300);
    bool ok = tl::testing::saveScreenshot(sheet, out / "create-sheet-empty.png");

    auto& model = sheet.model();
    model.setPrompt("A quiet alpine lake at dawn");
    model.setTweenCount(1);
    bool halfway = false;
    bool finished = false;
    auto observation = model.observe([&] {
        const auto& status = model.status().phaseStatus;
        const auto done = std::ranges::count(
            status, tl::ui::PhaseStatus::completed, [](const auto& entry) { return entry.second; });
        if (!halfway && done >= 5) halfway = tl::testing::saveScreenshot(sheet, out / "create-sheet-running.png");
        if (!finished && model.status().progressMessage == "Tweening complete!")
            finished = tl::testing::saveScreenshot(sheet, out / "create-sheet-finished.png");
    });
    model.startGeneration();
    tl::testing::processEventsUntil([&] { return finished; });
    model.waitForWorkers();
    observation.cancel();

    // A run cancelled halfway, in a dark palette: the card keeps the run's end.
    QPalette dark(QColor(60, 60, 60), QColor(36, 36, 36));
    QApplication::setPalette(dark);
    sheet.show();
    model.startGeneration();
    tl::testing::processEventsUntil([&] { return model.status().livePreview.isNull() == false; });
    tl::testing::settle(600);
    model.cancelOrClose();
    tl::testing::processEventsUntil([&] { return !model.status().isGenerating; });
    model.waitForWorkers();
    tl::testing::settle(300);
    const bool cancelled = tl::testing::saveScreenshot(sheet, out / "create-sheet-cancelled-dark.png");
    return ok && halfway && finished && cancelled ? 0 : 1;
}
