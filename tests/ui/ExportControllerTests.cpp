#include "ui/export/ExportController.h"

#include "platform/Image.h"
#include "platform/Log.h"

#include <opencv2/imgcodecs.hpp>

#include "UiTestSupport.h"

#include <condition_variable>
#include <fstream>
#include <mutex>

namespace tl::ui {
namespace {

using tl::testing::keyImage;
using tl::testing::processEventsUntil;
using tl::testing::tweenOf;

// Stands in for a loaded upscaler; the scripted writer never calls it, and it tells the time of
// one tile as if it had run some.
class NoUpscaler final : public ImageUpscalingTool {
public:
    std::set<int> supportedScales() const override { return { 4 }; }
    std::optional<double> secondsPerTile() const override { return 6.5; }
    Result<void, UpscaleError> upscale(
        const std::filesystem::path&, const std::filesystem::path&, int, std::stop_token, const TileProgress&) override
    {
        return UpscaleError::of(UpscaleError::Kind::modelLoadFailed);
    }
};

// A writer that reports the given messages, then waits until the test opens the gate, and then
// writes the file and succeeds (or fails) whether or not it was asked to stop, unless it honours
// stops: then a stopped writer leaves half a file and reports the cancellation.
class ScriptedWriter {
public:
    std::vector<std::string> messages;
    std::optional<EngineError> failure;
    bool waitForGate = false;
    bool honoursStop = false;

    ExportServices services()
    {
        return {
            .makeUpscaler = [this, sync = sync]() -> Result<std::shared_ptr<ImageUpscalingTool>, std::string> {
                bool gated = false;
                {
                    std::lock_guard lock(sync->mutex);
                    ++upscalerLoads;
                    gated = waitForGate;
                }
                if (gated) waitAtGate();
                const std::lock_guard lock(sync->mutex);
                ++upscalerLoadsEnded;
                sync->loadEnded.notify_all();
                if (upscalerError.empty()) return std::shared_ptr<ImageUpscalingTool>(std::make_shared<NoUpscaler>());
                return upscalerError;
            },
            .writeWallpaper
            = [this](const std::vector<WallpaperImage>& images, WallpaperMode, const std::filesystem::path& output,
                  const std::optional<HeicPreprocessConfig>& config, const ExportProgress& progress,
                  std::stop_token stop) -> Result<void, EngineError> {
                std::vector<std::string> script;
                bool gated = false;
                {
                    std::lock_guard lock(mutex);
                    ++calls;
                    sawConfig = config.has_value();
                    sawThumbnails
                        = std::ranges::any_of(images, [](const auto& image) { return image.thumbnail != nullptr; });
                    script = messages;
                    gated = waitForGate;
                }
                int current = 0;
                for (const auto& message : script)
                    progress(++current, static_cast<int>(script.size()), message);
                if (gated) waitAtGate();
                if (failure) return *failure;
                if (honoursStop && stop.stop_requested()) {
                    std::ofstream(output) << "wall";
                    return EngineError(Cancelled {});
                }
                std::ofstream(output) << "wallpaper";
                return {};
            },
            .probeSecondsPerTile = {},
        };
    }

    void waitAtGate()
    {
        std::unique_lock lock(mutex);
        gateChanged.wait(lock, [this] { return gateOpen; });
    }

    // The loader may outlive its run; the test waits for it before the writer goes away.
    void waitForLoadsToEnd()
    {
        std::unique_lock lock(mutex);
        loadEnded.wait(lock, [this] { return upscalerLoadsEnded == upscalerLoads; });
    }

    void openGate()
    {
        std::lock_guard lock(mutex);
        gateOpen = true;
        gateChanged.notify_all();
    }

    // Shared with every load the writer starts: a load the export left behind still unlocks the
    // mutex after the test has seen it end and dropped the writer.
    struct Sync {
        std::mutex mutex;
        std::condition_variable gateChanged;
        std::condition_variable loadEnded;
    };
    std::shared_ptr<Sync> sync = std::make_shared<Sync>();
    std::mutex& mutex = sync->mutex;
    std::condition_variable& gateChanged = sync->gateChanged;
    std::condition_variable& loadEnded = sync->loadEnded;
    bool gateOpen = false;
    int calls = 0;
    int upscalerLoads = 0;
    int upscalerLoadsEnded = 0;
    bool sawConfig = false;
    bool sawThumbnails = false;
    std::string upscalerError = "The upscaling model realesrgan512.onnx was not found.";
};

class ExportControllerTest : public tl::testing::UiStateTest {
protected:
    ExportControllerTest()
    {
        auto first = keyImage("a.png", 9);
        first.thumbnail = std::make_shared<const Image>(cv::Mat(2, 2, CV_8UC4, cv::Scalar(1, 2, 3, 255)));
        state.addImage(first);
        auto tween = tweenOf(first, "a_tween_1.png");
        tween.timeOfDay = 10;
        state.addImage(tween);
        state.addImage(keyImage("b.png", 12));
    }

    static HeicExportOptions withoutUpscaling()
    {
        HeicExportOptions options;
        options.upscaleEnabled = false;
        return options;
    }

    void waitForEnd()
    {
        controller.waitForWorkers();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    std::vector<std::filesystem::path> filesInFolder() const
    {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            files.push_back(entry.path());
        return files;
    }

    tl::testing::TemporaryFolder folder;
    std::filesystem::path output = folder.path() / "day.heic";
    ScriptedWriter writer;
    ExportController controller { state, ui, writer.services() };
    std::vector<std::string> logged;
    LogCapture capture { [this](const std::string& line) { logged.push_back(line); } };
};

TEST_F(ExportControllerTest, ASuccessfulRunWritesTheFileAndMarksEveryFrame)
{
    writer.messages = { "Starting generation...", "Encoded image 1/3" };
    controller.runExport(output, withoutUpscaling());
    EXPECT_TRUE(ui.isExportingHeic.get());
    EXPECT_EQ(ui.exportMessage.get(), "Preparing export...");
    ASSERT_EQ(ui.exportFrames.get().size(), 3u);
    EXPECT_FALSE(ui.exportFrames.get()[1].isKeyFrame);
    waitForEnd();

    EXPECT_FALSE(ui.isExportingHeic.get());
    EXPECT_EQ(ui.exportMessage.get(), "Export complete!");
    EXPECT_DOUBLE_EQ(ui.exportProgress.get(), 1.0); // the last report was 2 of 2
    for (const auto& frame : ui.exportFrames.get())
        EXPECT_EQ(frame.status, ExportFrameStatus::complete);
    EXPECT_EQ(filesInFolder(), (std::vector { output }));
    EXPECT_EQ(ui.exportedFile.get(), output) << "the sheet names the file written";
    EXPECT_TRUE(writer.sawConfig) << "resizing to 8K is a preprocessing stage";
    EXPECT_FALSE(writer.sawThumbnails) << "the work gets no pictures";
    EXPECT_EQ(writer.upscalerLoads, 0);
    EXPECT_EQ(logged.front(), "=== EXPORT STARTED ===");
    EXPECT_EQ(logged[1], "Mode: time");
    EXPECT_EQ(logged[3], "  [0] a.png - sourcePath: nil");
    EXPECT_EQ(logged.back(), "=== EXPORT SUCCEEDED ===");
}

TEST_F(ExportControllerTest, EndTextsDependOnKeptFramesAndFailures)
{
    auto keep = withoutUpscaling();
    keep.keepPreprocessedFrames = true;
    controller.runExport(output, keep);
    waitForEnd();
    EXPECT_EQ(ui.exportMessage.get(), "Export complete! Preprocessed frames kept for reuse.");

    keep.resizeEnabled = false; // nothing to preprocess, so nothing is kept
    controller.runExport(output, keep);
    waitForEnd();
    EXPECT_EQ(ui.exportMessage.get(), "Export complete!");
    EXPECT_FALSE(writer.sawConfig);

    // The fixed line, with the error's own description under it, as in the log.
    writer.failure = EngineError(UpscaleError::imageLoad("/photos/b.png"));
    std::filesystem::remove(output);
    controller.runExport(output, keep);
    waitForEnd();
    EXPECT_EQ(ui.exportMessage.get(), "Export failed. Please try again.\nFailed to load input image: /photos/b.png");
    EXPECT_FALSE(ui.exportedFile.get());
    EXPECT_FALSE(ui.isExportingHeic.get());
    EXPECT_TRUE(filesInFolder().empty());
    EXPECT_EQ(logged[logged.size() - 2], "=== EXPORT FAILED ===");
    EXPECT_EQ(logged.back(), "Error: Failed to load input image: /photos/b.png");
}

TEST_F(ExportControllerTest, AnUpscaledRunRemembersWhatATileTookForTheNextEstimate)
{
    writer.upscalerError.clear();
    controller.runExport(output, withoutUpscaling());
    waitForEnd();
    EXPECT_FALSE(ui.upscaleSecondsPerTile.get()) << "nothing was upscaled";

    controller.runExport(output, HeicExportOptions {});
    waitForEnd();
    EXPECT_EQ(ui.exportMessage.get(), "Export complete!");
    EXPECT_EQ(ui.upscaleSecondsPerTile.get(), 6.5);
    EXPECT_EQ(defaults.real(AppUIState::upscaleSecondsPerTileKey), 6.5);
    EXPECT_EQ(AppUIState(defaults).upscaleSecondsPerTile.get(), 6.5) << "read back at the next start";
}

TEST_F(ExportControllerTest, AMissingUpscalerFailsPlainlyBeforeWriting)
{
    controller.runExport(output, HeicExportOptions {});
    waitForEnd();
    EXPECT_EQ(ui.exportMessage.get(), "Export failed: " + writer.upscalerError);
    EXPECT_FALSE(ui.isExportingHeic.get());
    EXPECT_EQ(writer.calls, 0);
    EXPECT_EQ(logged.back(), "Output: " + output.string());
}

// One limit for the sheet and the run: a canvas beyond it is no valid custom size, and a plan that
// would take a frame beyond it (its canvas or an upscaling pass) is refused before the writer starts.
TEST_F(ExportControllerTest, TheCanvasLimitRefusesSizesTheExportCouldNotReadBack)
{
    const auto custom = [](std::string width, std::string height) {
        HeicExportOptions options;
        options.canvasPreset = HeicCanvasPreset::custom;
        options.customWidth = std::move(width);
        options.customHeight = std::move(height);
        return options;
    };
    EXPECT_EQ(custom("16384", "16384").customCanvasSize(), (PixelSize { 16384, 16384 }));
    for (const auto& [width, height] :
        { std::pair { "16385", "16384" }, { "30000", "30000" }, { "32769", "8" }, { "32768", "8192" } }) {
        EXPECT_FALSE(custom(width, height).customCanvasSize()) << width << "x" << height;
        EXPECT_EQ(custom(width, height).customSizeError(), "Enter a valid custom canvas size.");
    }

    writer.upscalerError.clear(); // an upscaler that works by four
    HeicExportOptions matchSource;
    matchSource.canvasPreset = HeicCanvasPreset::matchSource;
    HeicExportOptions eightK; // 7680 x 4320 with upscaling on, as the sheet starts
    auto bigCustom = custom("16384", "16384");
    bigCustom.upscaleEnabled = false;
    struct Row {
        int side;
        HeicExportOptions options;
        std::optional<std::string> refusal; // what the end text says, none when the writer runs
    };
    const std::vector<Row> rows {
        { 4000, matchSource, std::nullopt }, // upscaled 4x to 16000 x 16000
        { 4200, matchSource, "frame.png would be upscaled to 16800 × 16800 pixels" },
        { 1056, eightK, "frame.png would be upscaled to 16896 × 16896 pixels" }, // 4x twice for the canvas
        { 1024, eightK, std::nullopt },
        { 640, bigCustom, std::nullopt },
    };
    for (const auto& row : rows) {
        const auto file = folder.path() / "frame.png";
        ASSERT_TRUE(cv::imwrite(file.string(), cv::Mat(row.side, row.side, CV_8UC1, cv::Scalar(90))));
        auto image = keyImage("frame.png", 9);
        image.sourcePath = file.string();
        state.setImages({ image }, WallpaperMode::time, false);
        const int callsBefore = writer.calls;
        controller.runExport(output, row.options);
        waitForEnd();
        std::filesystem::remove(file);
        std::filesystem::remove(output);
        const std::string message = ui.exportMessage.get();
        if (!row.refusal) {
            EXPECT_EQ(writer.calls, callsBefore + 1) << row.side;
            EXPECT_EQ(message, "Export complete!") << row.side;
            continue;
        }
        EXPECT_EQ(writer.calls, callsBefore) << "refused before any frame is prepared";
        EXPECT_TRUE(message.starts_with("Export failed: " + *row.refusal)) << message;
        EXPECT_NE(message.find("(16384 × 16384 pixels)"), std::string::npos) << message;
        EXPECT_EQ(logged[logged.size() - 2], "=== EXPORT FAILED ===");
    }
}

// A wallpaper that cannot fit on the chosen disk is refused with the figures before the upscaler
// loads or any frame is prepared.
TEST_F(ExportControllerTest, AWallpaperTooLargeForTheDiskIsRefusedAtOnce)
{
    writer.upscalerError.clear();
    HeicExportOptions options;
    options.canvasPreset = HeicCanvasPreset::custom;
    options.customWidth = options.customHeight = "16384";
    state.setImages(std::vector<WallpaperImage>(20000, keyImage("frame.png", 9)), WallpaperMode::time, false);
    if (std::filesystem::space(folder.path()).available > 20000ull * 16384 * 16384)
        GTEST_SKIP() << "this disk has room for a wallpaper of 20000 frames of 16384 × 16384 pixels";
    controller.runExport(output, options);
    waitForEnd();
    const std::string message = ui.exportMessage.get();
    const std::string advice = "Export failed. Free some space or choose another disk.\nThe wallpaper needs about ";
    EXPECT_TRUE(message.starts_with(advice)) << message;
    EXPECT_NE(message.find(", and the disk of " + folder.path().string() + " has "), std::string::npos) << message;
    EXPECT_TRUE(message.ends_with(" free.")) << message;
    EXPECT_EQ(writer.upscalerLoads, 0);
    EXPECT_EQ(writer.calls, 0);
    EXPECT_TRUE(filesInFolder().empty());
}

TEST_F(ExportControllerTest, ACancelledRunLeavesNoFileAndNeverTouchesANewerRun)
{
    writer.waitForGate = true;
    writer.messages = { "Encoded image 1/3" };
    controller.runExport(output, withoutUpscaling());
    ASSERT_TRUE(processEventsUntil([&] { return ui.exportMessage.get() == "Encoded image 1/3"; }));
    ui.cancelExport();
    EXPECT_EQ(ui.exportMessage.get(), "Export cancelled");

    // A second run starts while the first is still writing; the first then finishes anyway.
    {
        std::lock_guard lock(writer.mutex);
        writer.messages = {};
        writer.waitForGate = false;
    }
    controller.runExport(folder.path() / "second.heic", withoutUpscaling());
    EXPECT_EQ(ui.exportMessage.get(), "Preparing export...");
    writer.openGate();
    waitForEnd();

    EXPECT_EQ(ui.exportMessage.get(), "Export complete!");
    EXPECT_FALSE(std::filesystem::exists(output)) << "the cancelled run wrote nothing";
    EXPECT_EQ(filesInFolder(), (std::vector { folder.path() / "second.heic" }));
}

TEST_F(ExportControllerTest, AStaleRunThatFinishesLeavesNoPartialFile)
{
    writer.waitForGate = true;
    controller.runExport(output, withoutUpscaling());
    // A newer run replaces the first without a cancel while the first is still writing.
    controller.runExport(folder.path() / "second.heic", withoutUpscaling());
    writer.openGate();
    waitForEnd();
    EXPECT_EQ(writer.calls, 2);
    EXPECT_EQ(ui.exportMessage.get(), "Export complete!");
    EXPECT_EQ(filesInFolder(), (std::vector { folder.path() / "second.heic" }));

    // A run whose end never reaches the window, which closed first, leaves nothing either.
    auto closing = std::make_unique<ExportController>(state, ui, writer.services());
    closing->runExport(folder.path() / "third.heic", withoutUpscaling());
    closing->waitForWorkers();
    closing.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(filesInFolder(), (std::vector { folder.path() / "second.heic" }));
}

TEST_F(ExportControllerTest, EveryNameTheFolderTakesCanBeExportedTo)
{
    for (const std::size_t stemBytes : { std::size_t(200), std::size_t(230), std::size_t(250) }) {
        const auto longest = folder.path() / (std::string(stemBytes, 'w') + ".heic");
        controller.runExport(longest, withoutUpscaling());
        waitForEnd();
        EXPECT_EQ(ui.exportMessage.get(), "Export complete!") << stemBytes;
        EXPECT_TRUE(std::filesystem::exists(longest)) << stemBytes;
        std::filesystem::remove(longest);
    }
    EXPECT_TRUE(filesInFolder().empty());
}

TEST_F(ExportControllerTest, ACancelWhileTheWriterRunsEndsAsCancelledNotFailed)
{
    writer.waitForGate = true;
    writer.honoursStop = true;
    writer.messages = { "Preprocessed frame 1/2" };
    controller.runExport(output, withoutUpscaling());
    ASSERT_TRUE(processEventsUntil([&] { return ui.exportMessage.get() == "Preprocessed frame 1/2"; }));
    ui.cancelExport();
    writer.openGate();
    waitForEnd();
    EXPECT_EQ(ui.exportMessage.get(), "Export cancelled");
    EXPECT_FALSE(ui.isExportingHeic.get());
    EXPECT_EQ(logged.back(), "=== EXPORT CANCELLED ===");
    EXPECT_TRUE(filesInFolder().empty()) << "the half-written file is gone";
}

TEST_F(ExportControllerTest, CancellingLeavesTheCancelledState)
{
    writer.waitForGate = true;
    writer.messages = { "Preprocessed frame 1/3" };
    controller.runExport(output, withoutUpscaling());
    ui.cancelExport();
    writer.openGate();
    waitForEnd();
    EXPECT_EQ(ui.exportMessage.get(), "Export cancelled");
    EXPECT_FALSE(ui.isExportingHeic.get());
    EXPECT_TRUE(ui.exportFrames.get().empty());
    EXPECT_TRUE(filesInFolder().empty());
}

TEST_F(ExportControllerTest, CancellingWhileTheUpscalerLoadsEndsTheRunAtOnceWithoutWaitingForTheLoad)
{
    writer.upscalerError.clear();
    writer.waitForGate = true;
    controller.runExport(output, HeicExportOptions {});
    ASSERT_TRUE(processEventsUntil([&] { return ui.exportMessage.get() == "Preparing the upscaler..."; }));
    // The loader is started after that message; once it has begun, waitForLoadsToEnd covers it.
    ASSERT_TRUE(processEventsUntil([&] {
        const std::lock_guard lock(writer.mutex);
        return writer.upscalerLoads == 1;
    }));
    ui.cancelExport();
    // The load is still held at the gate: the worker must end without it.
    waitForEnd();
    writer.openGate();
    writer.waitForLoadsToEnd();
    EXPECT_EQ(writer.calls, 0);
    EXPECT_EQ(ui.exportMessage.get(), "Export cancelled");
    EXPECT_FALSE(ui.isExportingHeic.get());
    EXPECT_EQ(logged.back(), "Output: " + output.string()) << "no end line";
}

TEST(ExportUpscaler, AMissingModelIsNamedWithWhereItIsExpected)
{
    const auto text = missingUpscaleModelText({ "/opt/tl/bin/../share/tidelumine/models/realesrgan512.onnx",
        "/build/share/tidelumine/models/realesrgan512.onnx" });
    EXPECT_EQ(text,
        "the upscaling model realesrgan512.onnx is not installed; it is expected at "
        "/opt/tl/share/tidelumine/models/realesrgan512.onnx or /build/share/tidelumine/models/realesrgan512.onnx. "
        "Switch off AI upscaling to export without it.");
}

TEST(ExportFileName, TheProjectNameBecomesTheProposedFileName)
{
    EXPECT_EQ(ExportController::proposedFileName(std::nullopt), "dynamic-wallpaper.heic");
    EXPECT_EQ(ExportController::proposedFileName(std::filesystem::path("/p/Beach Day.vorrind")), "Beach Day.heic");
    EXPECT_EQ(ExportController::proposedFileName(std::filesystem::path("/p/Beach.vorrind/")), "Beach.heic");
    EXPECT_EQ(ExportController::proposedFileName(std::filesystem::path("/")), "dynamic-wallpaper.heic");
}

} // namespace
} // namespace tl::ui
