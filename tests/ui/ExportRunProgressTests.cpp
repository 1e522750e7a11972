#include "engine/ExportTestSupport.h"
#include "engine/HeicGenerator.h"
#include "ui/common/NumberFormat.h"
#include "ui/export/ExportProgressParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

namespace tl::ui {
namespace {

namespace fs = std::filesystem;
using enum ExportFrameStatus;

// Three key frames upscaled side by side, written through the real writer; every report goes through
// the parser as the export run applies it. What the sheet shows must never contradict itself.
TEST(ExportRunProgress, FramesUpscaledSideBySideShowOneLineForTheWholeRunAndABarInProportion)
{
    if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
    test::ScratchFolder scratch;
    std::vector<WallpaperImage> images;
    std::vector<ExportFrameInfo> rows;
    for (int index = 0; index < 3; ++index) {
        const fs::path file = scratch.path / ("key" + std::to_string(index) + ".png");
        ASSERT_TRUE(cv::imwrite(file.string(), test::syntheticPhoto(64, 36, index)));
        images.push_back(test::frameImage(file, index * 20.0));
        rows.push_back({ .id = std::to_string(index), .isKeyFrame = true, .fileName = file.filename().string() });
    }
    const auto upscaler = std::make_shared<test::TestUpscaler>(std::set { 2 });
    upscaler->pixelsPerTile = 64 * 36 / 2; // two passes: 2 tiles, then 8
    upscaler->gatherAtOnce = 3;
    test::ProgressLog progress;
    const HeicPreprocessConfig config { PixelSize { 256, 144 }, HeicUpscaleStrategy::scale2, false, upscaler,
        scratch.path / "work", false };
    ASSERT_TRUE(
        HeicGenerator().generate(images, WallpaperMode::time, scratch.path / "out.heic", config, progress.callback()));

    constexpr int allTiles = 3 * 10;
    static const std::regex runLine(R"(^Upscaling (?:frames? ([\d, and]+) of 3 )?· tile (\d+) of (\d+))");
    int tilesSeen = 0;
    int firstInWork = 1;
    double lastFraction = 0;
    std::vector<ExportFrameStatus> lastStatuses(3, pending);
    for (const auto& report : progress.reports) {
        const auto& message = report.message;
        const double fraction = progressFraction(report.current, report.total);
        EXPECT_GE(fraction, lastFraction) << message;
        lastFraction = fraction;

        std::smatch match;
        std::vector<int> inWork;
        if (std::regex_search(message, match, runLine)) {
            const int done = std::stoi(match[2]);
            EXPECT_EQ(std::stoi(match[3]), allTiles) << "every frame's tiles count from the start: " << message;
            EXPECT_GE(done, tilesSeen) << message;
            tilesSeen = done;
            const std::string named = match[1];
            static const std::regex number(R"(\d+)");
            for (auto it = std::sregex_iterator(named.begin(), named.end(), number); it != std::sregex_iterator {};
                 ++it)
                inWork.push_back(std::stoi(it->str()));
            if (!inWork.empty()) {
                EXPECT_GE(inWork.front(), firstInWork) << "frame numbers never go back: " << message;
                firstInWork = inWork.front();
            }
            if (done > 0) {
                EXPECT_NE(message.find(" left"), std::string::npos) << message;
            }
            // Tiles weigh eight frames' own work each; three frames are prepared and three coded.
            const double steps = 8.0 * allTiles + 3 + 3;
            EXPECT_GE(fraction, 8.0 * done / steps - 1e-9) << message;
            EXPECT_LE(fraction, (8.0 * done + 3) / steps + 1e-9) << message;
        } else if (tilesSeen < allTiles) {
            EXPECT_EQ(message.find("Preprocessed frame"), std::string::npos)
                << "replaced the run's line while tiles remain: " << message;
        }

        applyExportMessage(rows, message);
        if (!inWork.empty()) {
            for (int row = 0; row < 3; ++row) {
                const bool named = std::ranges::find(inWork, row + 1) != inWork.end();
                EXPECT_EQ(rows[static_cast<std::size_t>(row)].status == upscaling, named)
                    << "row " << row << ": " << message;
            }
        }
        for (std::size_t row = 0; row < rows.size(); ++row) {
            if (lastStatuses[row] == complete) {
                EXPECT_EQ(rows[row].status, complete) << "row " << row << ": " << message;
            }
            lastStatuses[row] = rows[row].status;
        }
    }
    EXPECT_EQ(tilesSeen, allTiles);
    EXPECT_EQ(lastFraction, 1.0);
    EXPECT_TRUE(std::ranges::all_of(rows, [](const auto& row) { return row.status == complete; }));
}

} // namespace
} // namespace tl::ui
