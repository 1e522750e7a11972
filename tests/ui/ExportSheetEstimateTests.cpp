#include "ui/export/ExportOptionsSheet.h"
#include "ui/export/UpscaleEstimateReader.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <opencv2/imgcodecs.hpp>

#include <semaphore>

namespace tl::ui {
namespace {

using tl::testing::processEventsUntil;

class ExportSheetEstimateTest : public tl::testing::UiStateTest {
protected:
    std::filesystem::path picture(const std::string& name, int width, int height) const
    {
        const auto file = folder.path() / name;
        EXPECT_TRUE(cv::imwrite(file.string(), cv::Mat(height, width, CV_8UC3, cv::Scalar(90, 120, 150))));
        return file;
    }

    static std::string upscalerLine(const ExportOptionsSheet& sheet)
    {
        for (const auto* label : sheet.findChildren<QLabel*>()) {
            if (label->text().startsWith("Upscaler ready (CPU)")) return label->text().toStdString();
        }
        return {};
    }

    tl::testing::TemporaryFolder folder;
};

// The line counts with the key frames' real sizes, read off the GUI thread, and the tile time the
// last export measured; it follows the canvas and a newly measured time.
TEST_F(ExportSheetEstimateTest, TheLineCountsTheKeyFramesRealSizesAndTheLastMeasuredTileTime)
{
    ui.upscaleSecondsPerTile = 7.0;
    ExportOptionsSheet sheet(ui, {});
    bool probed = false;
    sheet.setKeyFrames({ picture("a.png", 820, 512), picture("b.jpg", 820, 512) },
        [&probed](const std::stop_token&) -> std::optional<double> {
            probed = true;
            return 1.0;
        });
    ASSERT_TRUE(processEventsUntil([&] { return upscalerLine(sheet).find("of 820×512") != std::string::npos; }));
    EXPECT_EQ(upscalerLine(sheet),
        "Upscaler ready (CPU) · about 9 min for 2 frames of 820×512 (2 passes each, 74 tiles at 7.0 s a tile as "
        "measured in the last export)");
    EXPECT_FALSE(probed) << "a measured machine needs no probe";

    sheet.model().edit([](HeicExportOptions& o) { o.canvasPreset = HeicCanvasPreset::matchSource; });
    ui.upscaleSecondsPerTile = 3.5;
    EXPECT_EQ(upscalerLine(sheet),
        "Upscaler ready (CPU) · about 14 s for 2 frames of 820×512 (1 pass each, 4 tiles at 3.5 s a tile as "
        "measured in the last export)");
}

// Options the export would refuse for the key frames read show the export's own refusal in place
// of the estimate, and Export stays disabled until the options change.
TEST_F(ExportSheetEstimateTest, OptionsTheExportWouldRefuseShowItsRefusalAndDisableExport)
{
    ui.upscaleSecondsPerTile = 3.0;
    ExportOptionsSheet sheet(ui, {});
    sheet.model().setTargetDisplay(TargetDisplay::custom);
    sheet.model().edit([](HeicExportOptions& o) { o.customWidth = "20000", o.customHeight = "10000"; });
    sheet.setKeyFrames({ picture("small.png", 640, 400), picture("small2.png", 640, 400) });
    const std::string refused = "Upscaler ready (CPU) · The custom width “20000” is above 16384 pixels, the longest "
                                "side of a frame an export can prepare.";
    ASSERT_TRUE(processEventsUntil([&] { return upscalerLine(sheet) == refused; })) << upscalerLine(sheet);
    EXPECT_FALSE(sheet.primaryButton().isEnabled());

    sheet.model().edit([](HeicExportOptions& o) { o.customWidth = "1920", o.customHeight = "1080"; });
    EXPECT_TRUE(sheet.primaryButton().isEnabled());
    EXPECT_TRUE(processEventsUntil([&] {
        return upscalerLine(sheet).find("for 2 frames of 640×400") != std::string::npos;
    })) << upscalerLine(sheet);

    sheet.model().edit([](HeicExportOptions& o) { o.canvasPreset = HeicCanvasPreset::matchSource; });
    sheet.setKeyFrames({ picture("large.png", 5000, 4000) });
    ASSERT_TRUE(processEventsUntil([&] { return upscalerLine(sheet).find("large.png") != std::string::npos; }));
    EXPECT_EQ(upscalerLine(sheet),
        "Upscaler ready (CPU) · large.png would be upscaled to 20000 × 16000 pixels, more than the largest frame "
        "an export can prepare (16384 × 16384 pixels). Choose a smaller canvas or turn upscaling off.");
    EXPECT_FALSE(sheet.primaryButton().isEnabled());
    sheet.model().setQuality(ExportQuality::standard);
    EXPECT_TRUE(sheet.primaryButton().isEnabled()) << "no upscaling, nothing beyond the limit";
}

// Until the probe answers, the line gives no figure at all, nor after a probe that could not
// measure this computer.
TEST_F(ExportSheetEstimateTest, NoFigureShowsBeforeTheProbeAnswers)
{
    if (probedSecondsPerTile()) GTEST_SKIP() << "a probe in this process has already measured the machine";
    ExportOptionsSheet sheet(ui, {});
    std::binary_semaphore answer(0);
    sheet.setKeyFrames({ picture("a.png", 820, 512) }, [&answer](const std::stop_token&) -> std::optional<double> {
        answer.acquire();
        return std::nullopt;
    });
    const std::string measuring = "Upscaler ready (CPU) · measuring how fast this computer upscales…";
    EXPECT_EQ(upscalerLine(sheet), measuring);
    processEventsUntil([] { return false; }, 200);
    EXPECT_EQ(upscalerLine(sheet), measuring) << "the sizes alone give no figure";
    answer.release();
    EXPECT_TRUE(processEventsUntil([&] { return upscalerLine(sheet) == "Upscaler ready (CPU)"; }))
        << upscalerLine(sheet);
}

} // namespace
} // namespace tl::ui
