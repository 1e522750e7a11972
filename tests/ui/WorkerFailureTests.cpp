#include "ScriptedTweenEngine.h"
#include "ui/generation/CreateSheetFixture.h"

#include "engine/BoundedParallel.h"
#include "engine/HeicGenerator.h"
#include "platform/qt/EventLoop.h"
#include "ui/export/ExportController.h"
#include "ui/export/UpscaleEstimateReader.h"
#include "ui/library/LibraryViewModel.h"
#include "ui/library/TweenInsertion.h"
#include "ui/library/sheets/ImageEditModel.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include <fstream>

namespace tl::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool isEmptyFolder(const fs::path& folder)
{
    return fs::is_empty(folder);
}

// An upscaler that cannot get the memory for its output.
class StarvedUpscaler final : public ImageUpscalingTool {
public:
    std::set<int> supportedScales() const override { return { 4 }; }
    Result<void, UpscaleError> upscale(
        const fs::path&, const fs::path&, int, std::stop_token, const TileProgress&) override
    {
        throw std::bad_alloc();
    }
};

// Every kind of worker the program starts meets an exception in its work: each ends in its own
// failure with the failure's text, leaves no working files and the process (this test) goes on.
TEST_F(CreateSheetTest, AnExceptionInAnyWorkerBecomesThatWorksFailure)
{
    const auto picture = [&](const std::string& name) {
        WallpaperImage image = keyImage(name, 9);
        const fs::path file = folder.path() / name;
        cv::imwrite(file.string(), cv::Mat(16, 16, CV_8UC3, cv::Scalar(10, 80, 160)));
        image.sourcePath = file.string();
        return image;
    };
    struct Row {
        const char* worker;
        std::function<void()> run;
    };
    const std::vector<Row> rows {
        { "export preparation",
            [&] {
                const fs::path work = folder.path() / "preprocess";
                const HeicPreprocessConfig config { .targetSize = PixelSize { 64, 64 },
                    .upscaleStrategy = HeicUpscaleStrategy::autoScale,
                    .enableDither = false,
                    .upscaler = std::make_shared<StarvedUpscaler>(),
                    .outputDirectory = work,
                    .keepPreprocessedFrames = false };
                const auto written = HeicGenerator().generate(
                    { picture("a.png"), picture("b.png") }, WallpaperMode::time, folder.path() / "out.heic", config);
                ASSERT_FALSE(written);
                EXPECT_TRUE(written.error().description().starts_with("Image processing failed: "));
                EXPECT_TRUE(written.error().description().ends_with(".png: not enough memory"))
                    << written.error().description();
                EXPECT_FALSE(fs::exists(work));
                EXPECT_FALSE(fs::exists(folder.path() / "out.heic"));
            } },
        { "export frame jobs",
            [&] {
                const auto coded = runBounded<int>(
                    5, 3, {},
                    [](int index, std::stop_token) -> Result<int, EngineError> {
                        if (index == 3) throw cv::Exception(cv::Error::StsNoMem, "Failed to allocate", "", "", 0);
                        return index;
                    },
                    {}, [](int index) { return "frame_" + std::to_string(index) + ".png"; });
                ASSERT_FALSE(coded);
                EXPECT_EQ(coded.error().description(), "Image processing failed: frame_3.png: not enough memory");
            } },
        { "export run",
            [&] {
                ui::ExportServices services { .makeUpscaler = {},
                    .writeWallpaper = [](auto&&...) -> Result<void, EngineError> { throw std::bad_alloc(); },
                    .probeSecondsPerTile = {} };
                ui::ExportController controller(state, ui, std::move(services));
                const fs::path out = folder.path() / "run";
                fs::create_directories(out);
                state.setImages({ picture("c.png") }, WallpaperMode::time, false);
                HeicExportOptions options;
                options.upscaleEnabled = false;
                controller.runExport(out / "day.heic", options);
                controller.waitForWorkers();
                ASSERT_TRUE(processEventsUntil([&] { return !ui.isExportingHeic.get(); }));
                EXPECT_EQ(ui.exportMessage.get(),
                    "Export failed. Please try again.\nImage processing failed: not enough memory");
                EXPECT_TRUE(isEmptyFolder(out)) << "no partial file stays";
                EXPECT_TRUE(log.contains("Error: Image processing failed: not enough memory"));
            } },
        { "image edit request",
            [&] {
                const auto current = picture("g.png");
                state.setImages({ current }, WallpaperMode::time, false);
                ui::ImageEditModel editing(state, current,
                    { [] { return std::string("http://127.0.0.1:9"); },
                        [](auto&&...) -> GenerationResult<std::string> {
                            throw cv::Exception(cv::Error::StsBadArg, "unsupported depth", "", "", 0);
                        } });
                editing.editPrompt = std::string("Fix the sky");
                editing.regenerate();
                editing.waitForWorkers();
                ASSERT_TRUE(processEventsUntil([&] { return !editing.isGenerating.get(); }));
                EXPECT_EQ(
                    editing.errorMessage.get(), "Failed to regenerate: Image processing failed: unsupported depth");
                EXPECT_FALSE(editing.generatedPreview.get().has_value());
                EXPECT_EQ(editing.mainButtonTitle(), "Generate Fix");
            } },
        { "tween run",
            [&] {
                auto engine = std::make_shared<ScriptedTweenEngine>();
                engine->throwsAfterFirstFile = true;
                ui::LibraryViewModel library { state, ui };
                ui::TweenInsertion insertion { state, library, engine };
                state.setImages({ picture("d.png"), picture("e.png") }, WallpaperMode::time, false);
                insertion.beginAutoTween();
                insertion.startTweenRun();
                insertion.waitForRun();
                ASSERT_TRUE(processEventsUntil([&] { return !insertion.isGeneratingTweens.get(); }));
                EXPECT_EQ(insertion.failureText.get(),
                    "Auto tween generation failed: Image processing failed: not enough memory");
                ASSERT_FALSE(engine->fileCalls().empty());
                EXPECT_FALSE(fs::exists(engine->fileCalls()[0].folder.parent_path())) << "the run's folder goes";
                EXPECT_EQ(timeline(), (std::vector<std::string> { "d.png", "e.png" }));
            } },
        { "export sheet's estimate reader",
            [&] {
                ui::UpscaleEstimateReader reader(postToMainThread);
                std::vector<ui::UpscaleEstimateReader::Found> reports;
                reader.start(
                    { fs::path(picture("h.png").sourcePath.value()) },
                    [](const std::stop_token&) -> std::optional<double> { throw std::bad_alloc(); },
                    [&](const ui::UpscaleEstimateReader::Found& found) { reports.push_back(found); });
                reader.waitForWorkers();
                ASSERT_TRUE(processEventsUntil([&] { return !reports.empty(); }));
                processEventsUntil([] { return false; }, 50);
                ASSERT_EQ(reports.size(), 2u) << "the sizes arrive, then the probe's end without a time";
                ASSERT_EQ(reports[0].frames.size(), 1u);
                EXPECT_EQ(reports[0].frames[0].size, (PixelSize { 16, 16 }));
                EXPECT_TRUE(reports[1].probeEnded);
                EXPECT_FALSE(reports[1].probedSecondsPerTile);
                EXPECT_FALSE(ui::probedSecondsPerTile());
                EXPECT_TRUE(
                    log.contains("❌ Could not time an upscaled tile: Image processing failed: not enough memory"));
            } },
        { "generation run and its relight children",
            [&] {
                for (const char* failing : { "", "relight" }) {
                    state.setImages({ picture("f.png") }, WallpaperMode::time, false);
                    provider.runsOutOfMemory
                        = [failing](const std::string& prompt) { return prompt.find(failing) != std::string::npos; };
                    auto& sheet = makeModel("gemini/gemini-2.5-flash-image");
                    sheet.setPrompt("lake");
                    sheet.startGeneration();
                    ASSERT_TRUE(finishRun());
                    EXPECT_EQ(sheet.status().errorMessage, "Image processing failed: not enough memory") << failing;
                    EXPECT_EQ(closed, 0);
                    if (*failing == '\0') {
                        EXPECT_EQ(timeline(), std::vector<std::string> { "f.png" }) << "nothing was published";
                    }
                }
            } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.worker);
        row.run();
    }
}

} // namespace
} // namespace tl::testing
