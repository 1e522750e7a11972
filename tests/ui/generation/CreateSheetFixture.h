#pragma once

#include "generation/ManualClock.h"
#include "generation/RecordingTransport.h"
#include "generation/fakes/FakeProductServer.h"
#include "platform/qt/EventLoop.h"
#include "support/LogRecorder.h"
#include "ui/UiTestSupport.h"
#include "ui/generation/CreateWallpaperModel.h"

#include <opencv2/imgcodecs.hpp>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

namespace tl::testing {

// A small PNG whose colour follows `seed`, so every phase gets a picture of its own.
inline std::string pngFor(const std::string& seed)
{
    const auto shade = static_cast<unsigned char>(std::hash<std::string> {}(seed) % 200);
    const cv::Mat pixels(6, 8, CV_8UC3, cv::Scalar(shade, 255 - shade, 90));
    std::vector<uchar> png;
    cv::imencode(".png", pixels, png);
    return { png.begin(), png.end() };
}

// An image service whose answers the test scripts: by default a PNG per prompt after `delay`;
// `fail` names prompts (by a part of them) that fail instead. Records the prompts and the
// largest number of requests in flight.
class ScriptedImageService final : public ImageGenerationService {
public:
    bool configured = true;
    std::function<std::chrono::milliseconds(const std::string& prompt)> delay;
    std::function<bool(const std::string& prompt)> fail;
    // Prompts whose answers cannot get their memory: the request throws.
    std::function<bool(const std::string& prompt)> runsOutOfMemory;

    bool isConfigured() const override
    {
        ++configuredQuestions;
        return configured;
    }

    GenerationResult<GeneratedImage> generateImage(const std::string& prompt, const std::string& model,
        const std::string& aspectRatio, const std::optional<std::string>& inputImage,
        const std::optional<std::string>& systemPrompt, const std::optional<std::string>& size,
        std::stop_token stop) override
    {
        {
            const std::lock_guard lock(mutex);
            calls.push_back({ prompt, model, aspectRatio, inputImage, systemPrompt, size });
            largestInFlight = std::max(largestInFlight, ++inFlight);
        }
        std::unique_lock lock(mutex);
        const auto wait = delay ? delay(prompt) : std::chrono::milliseconds(0);
        waker.wait_for(lock, stop, wait, [] { return false; });
        const bool stopped = stop.stop_requested();
        --inFlight;
        if (stopped) {
            ++stoppedRequests;
            return cancelledFailure();
        }
        if (fail && fail(prompt)) return ImageGenerationError::requestFailed("scripted failure");
        if (runsOutOfMemory && runsOutOfMemory(prompt)) throw std::bad_alloc();
        return GeneratedImage { pngFor(prompt), "image/png" };
    }

    struct Call {
        std::string prompt;
        std::string model;
        std::string aspectRatio;
        std::optional<std::string> inputImage;
        std::optional<std::string> systemPrompt;
        std::optional<std::string> size;
    };
    std::vector<Call> callsSoFar() const
    {
        const std::lock_guard lock(mutex);
        return calls;
    }

    mutable std::atomic<int> configuredQuestions { 0 };
    int largestInFlight = 0;
    int stoppedRequests = 0;

private:
    mutable std::mutex mutex;
    std::condition_variable_any waker;
    std::vector<Call> calls;
    int inFlight = 0;
};

// A model over a real store, the fake product server, a scripted provider service and
// temporary working folders.
class CreateSheetTest : public UiStateTest {
protected:
    CreateSheetTest()
    {
        server.imageFor = [](const std::string& prompt) { return pngFor(prompt); };
    }

    ui::CreateWallpaperServices services()
    {
        return {
            .appState = state,
            .imageService = provider,
            .server = { transport, serverDefaults, clock, resources, bundle },
            .serverURL = [this] { return server.url(); },
            .chooseImageFile = [this] { return chosenFile; },
            .userDataFolder = [this] { return dataFolder; },
            .temporaryFolder = folder.path(),
            .poster = postToMainThread,
        };
    }

    ui::CreateWallpaperModel& makeModel(std::string modelId = std::string(ui::create_sheet::defaultModel))
    {
        model = std::make_unique<ui::CreateWallpaperModel>(
            services(), [this] { ++closed; }, std::move(modelId));
        model->restoreLastSettings();
        return *model;
    }

    // A saved project with unsaved edits in appearance mode and a selection: what a run that ends
    // without publishing must leave exactly as it was, with no undo step of its own.
    AppState::Snapshot seedSavedProject()
    {
        state.applyOpenedProject({ keyImage("light.png"), keyImage("dark.png") }, WallpaperMode::appearance,
            folder.path() / "Mine.vorrind", std::nullopt, std::nullopt, std::nullopt, std::nullopt);
        state.addImage(keyImage("added.png"));
        state.select(state.images.get()[1].id);
        endEvent();
        return state.makeSnapshot();
    }

    void expectProjectAsBefore(const AppState::Snapshot& before)
    {
        EXPECT_EQ(timeline(), fileNames(before.images));
        EXPECT_EQ(state.mode.get(), before.mode);
        EXPECT_EQ(state.selectedImageIds.get(), before.selectedImageIds);
        EXPECT_EQ(state.currentProjectPath.get(), before.currentProjectPath);
        EXPECT_EQ(state.contentVersion(), before.contentVersion);
        EXPECT_TRUE(state.isDirty.get());
        EXPECT_FALSE(state.hasOpenBatch());
        endEvent();
        EXPECT_EQ(undo->undoActionName(), "Add Image") << "the run left no step of its own";
    }

    // Runs the event loop until the run has ended and everything it posted has been applied.
    bool finishRun()
    {
        const bool ended = processEventsUntil([this] { return !model->status().isGenerating; });
        model->waitForWorkers();
        QCoreApplication::processEvents();
        return ended;
    }

    FakeProductServer server;
    RecordingTransport transport;
    InMemoryDefaults serverDefaults;
    ManualClock clock;
    FolderResources resources { {} };
    BundleInfo bundle { "com.example.tidelumine", "2.5.0", std::nullopt };
    ScriptedImageService provider;
    TemporaryFolder folder;
    std::optional<std::filesystem::path> dataFolder = folder.path() / "data";
    std::optional<std::filesystem::path> chosenFile;
    LogRecorder log;
    int closed = 0;
    std::unique_ptr<ui::CreateWallpaperModel> model;
};

} // namespace tl::testing
