#include "engine/TweenGenerator.h"

#include "engine/LinearLightBlend.h"
#include "support/TestImageFiles.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

namespace tl {
namespace {

namespace fs = std::filesystem;

TEST(TweenTiming, SmoothstepFactorsForSmallCounts)
{
    const std::vector<std::vector<double>> expected {
        { 0.5 },
        { 0.259259259, 0.740740741 },
        { 0.15625, 0.5, 0.84375 },
        { 0.104, 0.352, 0.648, 0.896 },
    };
    for (std::size_t count = 1; count <= expected.size(); ++count)
        for (std::size_t i = 1; i <= count; ++i)
            EXPECT_NEAR(TweenGenerator::easedTime(static_cast<int>(i), static_cast<int>(count)),
                expected[count - 1][i - 1], 1e-9);
}

TEST(LinearLightBlend, MixesInLinearLightAndKeepsTheEndsExactly)
{
    const cv::Mat black(2, 3, CV_8UC3, cv::Scalar::all(0));
    const cv::Mat white(2, 3, CV_8UC3, cv::Scalar::all(255));
    EXPECT_EQ(blendLinearLight(black, white, 0.5).at<cv::Vec3b>(1, 2), cv::Vec3b(188, 188, 188));

    cv::Mat a(17, 13, CV_8UC4), b(17, 13, CV_8UC4);
    cv::randu(a, 0, 256);
    cv::randu(b, 0, 256);
    EXPECT_EQ(cv::norm(blendLinearLight(a, b, 0), a, cv::NORM_INF), 0);
    EXPECT_EQ(cv::norm(blendLinearLight(a, b, 1), b, cv::NORM_INF), 0);
    // A factor a hair above 0 must still give the first image back: every code survives the round trip.
    cv::Mat ramp(1, 256, CV_8UC3);
    for (int i = 0; i < 256; ++i)
        ramp.at<cv::Vec3b>(0, i) = cv::Vec3b::all(static_cast<std::uint8_t>(i));
    EXPECT_EQ(cv::norm(blendLinearLight(ramp, ramp, 0.3), ramp, cv::NORM_INF), 0);
    // Alpha is coverage, not light: it mixes linearly.
    const cv::Mat clear(1, 1, CV_8UC4, cv::Scalar(0, 0, 0, 0));
    const cv::Mat opaque(1, 1, CV_8UC4, cv::Scalar(0, 0, 0, 255));
    EXPECT_EQ(blendLinearLight(clear, opaque, 0.5).at<cv::Vec4b>(0, 0)[3], 128);
}

class TweenFilesTest : public ::testing::Test {
protected:
    test::ScratchFolder scratch;
    TweenGenerator generator;

    std::string write(const std::string& name, const cv::Mat& pixels) const
    {
        const fs::path path = scratch.path / name;
        EXPECT_TRUE(cv::imwrite(path.string(), pixels));
        return path.string();
    }
};

TEST_F(TweenFilesTest, WritesNumberedFilesInOrderStretchedToTheSourceSize)
{
    const std::string source = write("dawn.png", cv::Mat(40, 64, CV_8UC3, cv::Scalar::all(0)));
    const std::string target = write("dusk.png", cv::Mat(30, 30, CV_8UC3, cv::Scalar::all(255)));
    std::vector<std::pair<int, int>> reports;
    const auto paths = generator.generateTweenFiles(source, target, 10, scratch.path / "out", "sunset",
        [&](int done, int total) { reports.emplace_back(done, total); });
    ASSERT_TRUE(paths) << paths.error().description();
    ASSERT_EQ(paths.value().size(), 10u);
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(
            paths.value()[k - 1], (scratch.path / "out" / ("sunset_tween_" + std::to_string(k) + ".png")).string());
    EXPECT_EQ(reports.back(), std::make_pair(10, 10));
    const cv::Mat middle = cv::imread(paths.value()[4]);
    EXPECT_EQ(middle.size(), cv::Size(64, 40));
    // Frame 5 of 10 sits at smoothstep(5/11) = 0.4305 in linear light.
    EXPECT_NEAR(middle.at<cv::Vec3b>(20, 32)[0], 176, 1);
}

TEST_F(TweenFilesTest, RefusesBadCountsBeforeReadingAndMissingFiles)
{
    const auto noCount = generator.generateTweenImages("/missing/a.png", "/missing/b.png", 0);
    ASSERT_FALSE(noCount);
    EXPECT_EQ(*noCount.error().as<TweenGeneratorError>(), TweenGeneratorError::invalidImageCount);

    const std::string real = write("real.png", cv::Mat(4, 4, CV_8UC3, cv::Scalar::all(9)));
    const auto missing = generator.generateTweenImages(real, (scratch.path / "nope.png").string(), 1);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().description(), "Failed to load images for tweening");
}

TEST_F(TweenFilesTest, StopRequestEndsBeforeTheNextFrame)
{
    const std::string a = write("a.png", cv::Mat(8, 8, CV_8UC3, cv::Scalar::all(0)));
    const std::string b = write("b.png", cv::Mat(8, 8, CV_8UC3, cv::Scalar::all(90)));
    std::stop_source stop;
    int frames = 0;
    const auto result = generator.generateTweenImages(
        a, b, 5,
        [&](int, int) {
            if (++frames == 2) stop.request_stop();
        },
        stop.get_token());
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().isCancelled());
    EXPECT_EQ(frames, 2);
}

TEST_F(TweenFilesTest, BlendedExportFrameKeepsEndsAndRefusesMismatchedSizes)
{
    cv::Mat dark(36, 64, CV_8UC3), bright(36, 64, CV_8UC3);
    cv::randu(dark, 0, 100);
    cv::randu(bright, 150, 256);
    const WallpaperImage tween { Uuid::random(), "t.png" };
    const HeicFrameSource earlier { {}, write("k1.png", dark), {} };
    const HeicFrameSource later { {}, write("k2.png", bright), {} };
    const auto first = generator.writeBlendedFrame(tween, earlier, later, 0, 0, scratch.path);
    const auto last = generator.writeBlendedFrame(tween, earlier, later, 1, 12, scratch.path);
    ASSERT_TRUE(first && last);
    EXPECT_EQ(first.value().url, scratch.path / "tween_0000.png");
    EXPECT_EQ(last.value().url, scratch.path / "tween_0012.png");
    EXPECT_EQ(first.value().size, (PixelSize { 64, 36 }));
    EXPECT_EQ(first.value().image.id, tween.id);
    EXPECT_EQ(cv::norm(cv::imread(first.value().url.string()), dark, cv::NORM_INF), 0);
    EXPECT_EQ(cv::norm(cv::imread(last.value().url.string()), bright, cv::NORM_INF), 0);

    const HeicFrameSource other { {}, write("k3.png", cv::Mat(34, 60, CV_8UC3, cv::Scalar::all(1))), {} };
    const auto mismatch = generator.writeBlendedFrame(tween, earlier, other, 0.5, 1, scratch.path);
    ASSERT_FALSE(mismatch);
    EXPECT_EQ(mismatch.error().description(),
        "Image processing failed: Source images have different sizes: (0.0, 0.0, 64.0, 36.0) vs (0.0, 0.0, 60.0, "
        "34.0)");
    const auto unreadable
        = generator.writeBlendedFrame(tween, { {}, scratch.path / "gone.png", {} }, later, 0.5, 1, scratch.path);
    ASSERT_FALSE(unreadable);
    EXPECT_EQ(unreadable.error().description(), "Failed to load image: " + (scratch.path / "gone.png").string());
}

WallpaperImage timelineImage(bool tween)
{
    WallpaperImage image { Uuid::random(), "x.png" };
    image.isTween = tween;
    return image;
}

TEST(KeyFrameLookup, WalksToTheNearestKeyAndWrapsAround)
{
    // [tween A, key B, tween C, key D]
    const std::vector<WallpaperImage> images { timelineImage(true), timelineImage(false), timelineImage(true),
        timelineImage(false) };
    const auto& [a, b, c, d] = std::tie(images[0], images[1], images[2], images[3]);
    const std::vector<HeicFrameSource> frames { { b, "b.png", {} }, { d, "d.png", {} } };
    const auto keyOf = [](const std::optional<HeicFrameSource>& frame) { return frame ? frame->url.string() : "none"; };

    EXPECT_EQ(keyOf(TweenGenerator::previousKeyFrame(a.id, images, frames)), "d.png");
    EXPECT_EQ(keyOf(TweenGenerator::nextKeyFrame(a.id, images, frames)), "b.png");
    EXPECT_EQ(keyOf(TweenGenerator::previousKeyFrame(c.id, images, frames)), "b.png");
    EXPECT_EQ(keyOf(TweenGenerator::nextKeyFrame(c.id, images, frames)), "d.png");
    EXPECT_EQ(keyOf(TweenGenerator::nextKeyFrame(d.id, images, frames)), "b.png");
    EXPECT_EQ(keyOf(TweenGenerator::previousKeyFrame(b.id, images, frames)), "d.png");
    // A lone key image finds itself by wrapping.
    EXPECT_EQ(keyOf(TweenGenerator::previousKeyFrame(b.id, { b }, { { b, "b.png", {} } })), "b.png");

    EXPECT_EQ(keyOf(TweenGenerator::previousKeyFrame(Uuid::random(), images, frames)), "none");
    EXPECT_EQ(keyOf(TweenGenerator::nextKeyFrame(c.id, images, { { b, "b.png", {} } })), "none");
    EXPECT_EQ(keyOf(TweenGenerator::nextKeyFrame(a.id, { a }, {})), "none");
}

} // namespace
} // namespace tl
