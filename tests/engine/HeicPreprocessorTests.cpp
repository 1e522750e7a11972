#include "engine/HeicPreprocessor.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

#include <regex>

namespace tl {
namespace {

namespace fs = std::filesystem;

class HeicPreprocessorTest : public ::testing::Test {
protected:
    std::vector<WallpaperImage> photos(int count, int width, int height) const
    {
        std::vector<WallpaperImage> images;
        for (int i = 0; i < count; ++i) {
            const fs::path path = scratch.path / ("source" + std::to_string(i) + ".png");
            EXPECT_TRUE(cv::imwrite(path.string(), test::syntheticPhoto(width, height, i)));
            images.push_back(test::frameImage(path, i * 10.0));
        }
        return images;
    }

    std::vector<std::string> workFiles() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(work))
            names.push_back(entry.path().filename().string());
        std::ranges::sort(names);
        return names;
    }

    test::ScratchFolder scratch;
    const fs::path work = scratch.path / "work";
};

TEST_F(HeicPreprocessorTest, FramesComeBackInInputOrderWithOnlyTheirResultFilesLeft)
{
    const auto upscaler = std::make_shared<test::TestUpscaler>(std::set { 2 });
    upscaler->slowStem = "frame_0001"; // the first frame finishes last
    upscaler->gatherAtOnce = HeicPreprocessor::maxConcurrentPreprocess;
    const auto images = photos(5, 64, 36);
    const HeicPreprocessor preprocessor(
        { PixelSize { 256, 144 }, HeicUpscaleStrategy::scale2, false, upscaler, work, true });
    test::ProgressLog progress;
    const auto session = preprocessor.preprocess(images, progress.callback());
    ASSERT_TRUE(session) << session.error().description();

    ASSERT_EQ(session.value().frames.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(session.value().frames[i].image.id, images[i].id);
        EXPECT_EQ(session.value().frames[i].url, work / ("frame_000" + std::to_string(i + 1) + ".png"));
        EXPECT_EQ(session.value().frames[i].size, (PixelSize { 256, 144 }));
    }
    EXPECT_TRUE(session.value().keepFiles);
    EXPECT_EQ(workFiles(),
        (std::vector<std::string> {
            "frame_0001.png", "frame_0002.png", "frame_0003.png", "frame_0004.png", "frame_0005.png" }));
    // How many overlap depends on the machine's load; the cap must hold and the slow frame must not
    // hold up the others.
    EXPECT_LE(upscaler->mostAtOnce, HeicPreprocessor::maxConcurrentPreprocess);
    EXPECT_GE(upscaler->mostAtOnce, 2);

    // 64x36 to 256x144 with factor 2 only: two passes of one tile per frame, every frame planned
    // before the first pass; the run's line names no frame once the last one is written.
    ASSERT_FALSE(progress.reports.empty());
    EXPECT_EQ(progress.reports.front().message.rfind("Upscaling frame", 0), 0u) << progress.reports.front().message;
    EXPECT_NE(progress.reports.front().message.find(" of 5 · tile 0 of 10"), std::string::npos);
    EXPECT_EQ(progress.reports.back().message.rfind("Upscaling · tile 10 of 10 · about ", 0), 0u)
        << progress.reports.back().message;
}

// Progress moves with every tile of every pass, a tile weighing several frames' own work, and
// every tile's line counts the tiles of all passes and says the time left.
TEST_F(HeicPreprocessorTest, ProgressMovesWithEveryTileOfEveryPass)
{
    const auto upscaler = std::make_shared<test::TestUpscaler>(std::set { 2 });
    upscaler->pixelsPerTile = 64 * 36 / 2; // 2 tiles in the first pass, 8 in the second
    const HeicPreprocessor preprocessor(
        { PixelSize { 256, 144 }, HeicUpscaleStrategy::scale2, false, upscaler, work, false });
    test::ProgressLog progress;
    ASSERT_TRUE(preprocessor.preprocess(photos(1, 64, 36), progress.callback()));

    constexpr int total = UpscaleProgress::unitsPerFrame + 10 * UpscaleProgress::unitsPerTile;
    std::vector<int> tileProgress;
    for (const auto& report : progress.reports) {
        EXPECT_EQ(report.total, total);
        // A pass's start repeats the line of the tile before it.
        if (report.message.rfind("Upscaling frame 1 of 1 · tile", 0) == 0 && report.current > 0
            && (tileProgress.empty() || tileProgress.back() != report.current))
            tileProgress.push_back(report.current);
    }
    std::vector<int> expected;
    for (int tile = 1; tile <= 10; ++tile)
        expected.push_back(tile * UpscaleProgress::unitsPerTile);
    EXPECT_EQ(tileProgress, expected);
    const auto last = progress.messagesStartingWith("Upscaling frame 1 of 1").back();
    EXPECT_EQ(last.rfind("Upscaling frame 1 of 1 · tile 10 of 10 · about ", 0), 0u) << last;
    EXPECT_EQ(last.substr(last.size() - 5), " left");
    EXPECT_EQ(progress.reports.back().current, total) << "writing the frame completes it";
}

// A frame that needs no pass has nothing left to run: at the last tile of the one that upscales,
// well under a tile's time is left, not another frame's worth of tiles.
TEST_F(HeicPreprocessorTest, TimeLeftCountsOnlyFramesThatUpscale)
{
    const auto upscaler = std::make_shared<test::TestUpscaler>(std::set { 4 });
    upscaler->pixelsPerTile = 640 * 400 / 8;
    upscaler->tileTime = std::chrono::milliseconds(250);
    const fs::path large = scratch.path / "large.png";
    const fs::path small = scratch.path / "small.png";
    ASSERT_TRUE(cv::imwrite(large.string(), cv::Mat(3000, 4000, CV_8UC3, cv::Scalar(40, 90, 160))));
    ASSERT_TRUE(cv::imwrite(small.string(), test::syntheticPhoto(640, 400, 1)));
    const HeicPreprocessor preprocessor(
        { PixelSize { 1920, 1080 }, HeicUpscaleStrategy::autoScale, false, upscaler, work, false });
    test::ProgressLog progress;
    ASSERT_TRUE(
        preprocessor.preprocess({ test::frameImage(large, 0), test::frameImage(small, 10) }, progress.callback()));

    // Tile t of T and the seconds left after it, in whichever words the line puts them.
    static const std::regex timeLeft(R"(tile (\d+)(?: of |/)8 · about ([0-9.]+) s left)");
    std::vector<double> left;
    for (const auto& report : progress.reports) {
        std::smatch match;
        if (std::regex_search(report.message, match, timeLeft)
            && std::stoi(match[1]) == static_cast<int>(left.size()) + 1)
            left.push_back(std::stod(match[2]));
    }
    ASSERT_EQ(left.size(), 8u);
    EXPECT_LT(left.back(), 0.1) << "the last tile leaves nothing to run";
    EXPECT_GT(left.front(), 1.0) << "seven tiles of a quarter second are still to come";
}

TEST_F(HeicPreprocessorTest, CanvasWithoutUpscalerScalesToCoverAndCrops)
{
    const auto images = photos(1, 80, 60); // 4:3 onto 16:9
    const HeicPreprocessor preprocessor(
        { PixelSize { 160, 90 }, HeicUpscaleStrategy::off, false, nullptr, work, false });
    const auto session = preprocessor.preprocess(images);
    ASSERT_TRUE(session);
    const cv::Mat result = cv::imread(session.value().frames[0].url.string());
    EXPECT_EQ(result.size(), cv::Size(160, 90));
    cv::Mat expected;
    cv::resize(cv::imread(*images[0].sourcePath), expected, { 160, 120 }, 0, 0, cv::INTER_CUBIC);
    EXPECT_LT(cv::norm(result, expected(cv::Rect(0, 15, 160, 90)), cv::NORM_L1) / (160.0 * 90 * 3), 4);
}

TEST_F(HeicPreprocessorTest, FirstFailurePassesThroughUnwrappedAndStopsTheRest)
{
    const auto upscaler = std::make_shared<test::TestUpscaler>(std::set { 2 });
    upscaler->failOnStem = "frame_0002";
    const auto images = photos(24, 32, 32);
    const HeicPreprocessor preprocessor({ std::nullopt, HeicUpscaleStrategy::scale2, false, upscaler, work, false });
    const auto session = preprocessor.preprocess(images);
    ASSERT_FALSE(session);
    const UpscaleError* error = session.error().as<UpscaleError>();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->kind, UpscaleError::Kind::imageLoadFailed);
    EXPECT_EQ(fs::path(error->path).filename(), "frame_0002_norm.png");
    EXPECT_LT(upscaler->passes, 24);
}

TEST_F(HeicPreprocessorTest, RefusesNothingToDoAndImagesWithoutSources)
{
    const HeicPreprocessor idle({ std::nullopt, HeicUpscaleStrategy::autoScale, false, nullptr, work, false });
    EXPECT_EQ(idle.preprocess(photos(1, 8, 8)).error().description(),
        "Invalid configuration: Preprocess requested without any enabled stages.");

    const HeicPreprocessor dither({ std::nullopt, HeicUpscaleStrategy::off, true, nullptr, work, false });
    auto images = photos(2, 8, 8);
    images[1].sourcePath.reset();
    EXPECT_EQ(dither.preprocess(images).error().description(), "Invalid configuration: Missing source path for image");
    EXPECT_TRUE(dither.preprocess({}));
}

} // namespace
} // namespace tl
