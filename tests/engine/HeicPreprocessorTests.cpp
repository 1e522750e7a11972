#include "engine/HeicPreprocessor.h"

#include "ExportTestSupport.h"

#include <gtest/gtest.h>

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

    // 64x36 to 256x144 with factor 2 only: two passes per frame.
    const auto passes = progress.messagesStartingWith("Upscaling frame 2/5");
    EXPECT_EQ(
        passes, (std::vector<std::string> { "Upscaling frame 2/5 (pass 1/2)", "Upscaling frame 2/5 (pass 2/2)" }));
    EXPECT_EQ(progress.messagesStartingWith("Preprocessed frame"),
        (std::vector<std::string> { "Preprocessed frame 1/5", "Preprocessed frame 2/5", "Preprocessed frame 3/5",
            "Preprocessed frame 4/5", "Preprocessed frame 5/5" }));
}

// A frame's progress moves with every tile of every pass, weighed by the tiles each pass runs, and
// every tile's message keeps the pass's own text and adds the tile and the time left.
TEST_F(HeicPreprocessorTest, ProgressMovesWithEveryTileOfEveryPass)
{
    const auto upscaler = std::make_shared<test::TestUpscaler>(std::set { 2 });
    upscaler->pixelsPerTile = 64 * 36 / 2; // 2 tiles in the first pass, 8 in the second
    const HeicPreprocessor preprocessor(
        { PixelSize { 256, 144 }, HeicUpscaleStrategy::scale2, false, upscaler, work, false });
    test::ProgressLog progress;
    ASSERT_TRUE(preprocessor.preprocess(photos(1, 64, 36), progress.callback()));

    std::vector<int> tileProgress;
    for (const auto& report : progress.reports) {
        EXPECT_EQ(report.total, UpscaleProgress::unitsPerFrame);
        if (report.message.find(", tile") != std::string::npos) tileProgress.push_back(report.current);
    }
    // Ten tiles carry the frame to 99 %; writing the frame completes it.
    EXPECT_EQ(tileProgress, (std::vector<int> { 99, 198, 297, 396, 495, 594, 693, 792, 891, 990 }));
    const auto messages = progress.messagesStartingWith("Upscaling frame 1/1 (pass 2/2)");
    ASSERT_EQ(messages.size(), 9u);
    EXPECT_EQ(messages.front(), "Upscaling frame 1/1 (pass 2/2)");
    EXPECT_EQ(messages.back().rfind("Upscaling frame 1/1 (pass 2/2), tile 8/8 · about ", 0), 0u) << messages.back();
    EXPECT_EQ(messages.back().substr(messages.back().size() - 5), " left");
    EXPECT_EQ(progress.reports.back().current, UpscaleProgress::unitsPerFrame);
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
