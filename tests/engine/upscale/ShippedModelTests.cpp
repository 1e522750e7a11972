#include "bench/upscale/OpenCvDnnTile.h"
#include "engine/upscale/CoreMLUpscaleTool.h"
#include "engine/upscale/ModelLocation.h"
#include "tests/engine/upscale/UpscaleTestSupport.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <atomic>
#include <chrono>
#include <optional>
#include <pthread.h>
#include <stop_token>
#include <thread>
#include <time.h>

namespace tl {
namespace {

// A photograph from Debian's plasma-workspace-wallpapers (installed by scripts/install-deps.sh).
const char* const photograph = "/usr/share/wallpapers/Path/contents/images/2560x1600.jpg";

// How long `thread` has run on a processor; nothing once it has gone.
std::chrono::nanoseconds processorTime(std::thread& thread)
{
    clockid_t clock {};
    timespec spent {};
    if (pthread_getcpuclockid(thread.native_handle(), &clock) != 0 || clock_gettime(clock, &spent) != 0) return {};
    return std::chrono::seconds(spent.tv_sec) + std::chrono::nanoseconds(spent.tv_nsec);
}

double bandMean(const cv::Mat& image, int firstColumn)
{
    return cv::mean(image(cv::Rect(firstColumn, 0, 4, image.rows)))[0];
}

// Two tiles, at columns 0 and 480: the second is painted over the first from output column 1920.
// The step in brightness across that seam must match what a plain Lanczos enlargement shows there.
// One test, as the shipped model costs seconds per pass.
TEST(ShippedModelTest, LoadsAndUpscalesAPhotographWithoutVisibleTileSeams)
{
    const cv::Mat source = cv::imread(photograph, cv::IMREAD_COLOR);
    if (source.empty()) GTEST_SKIP() << "photograph not installed: " << photograph;
    ASSERT_TRUE(findUpscaleModel()) << "looked in " << upscaleModelCandidates().front();
    const auto model = RealESRGAN512::loadShipped();
    ASSERT_TRUE(model) << model.error().description();
    const cv::Mat crop = source(cv::Rect(800, 600, 992, 512));

    const auto upscaled = CoreMLUpscaleTool(model.value()).upscaleTiled(crop, {});
    ASSERT_TRUE(upscaled) << upscaled.error().description();
    ASSERT_EQ(upscaled.value().size(), cv::Size(3968, 2048));

    cv::Mat reference;
    cv::resize(crop, reference, upscaled.value().size(), 0, 0, cv::INTER_LANCZOS4);
    cv::Mat grey, referenceGrey;
    cv::cvtColor(upscaled.value(), grey, cv::COLOR_BGR2GRAY);
    cv::cvtColor(reference, referenceGrey, cv::COLOR_BGR2GRAY);
    for (const int seam : { 1920, 2048 }) {
        const double step = bandMean(grey, seam) - bandMean(grey, seam - 4);
        const double referenceStep = bandMean(referenceGrey, seam) - bandMean(referenceGrey, seam - 4);
        EXPECT_NEAR(step, referenceStep, 1.0) << "seam at output column " << seam;
    }
    EXPECT_NEAR(cv::mean(grey)[0], cv::mean(referenceGrey)[0], 2.0);
}

// The network's own runtime against OpenCV's dnn module, the earlier path, on one photograph tile:
// float rounding may move a pixel by one level, never more, and the picture as a whole not at all.
TEST(ShippedModelTest, PaintsWhatOpenCvDnnPaintsOnAPhotograph)
{
    const cv::Mat source = cv::imread(photograph, cv::IMREAD_COLOR);
    if (source.empty()) GTEST_SKIP() << "photograph not installed: " << photograph;
    const auto model = RealESRGAN512::loadShipped();
    ASSERT_TRUE(model) << model.error().description();
    auto reference = bench::OpenCvDnnTile::load(*findUpscaleModel());
    ASSERT_TRUE(reference);
    const cv::Mat tile = source(cv::Rect(1200, 500, RealESRGAN512::inputSize, RealESRGAN512::inputSize)).clone();

    cv::Mat painted(RealESRGAN512::outputSize, RealESRGAN512::outputSize, CV_8UC3, cv::Scalar::all(0));
    ASSERT_TRUE(model.value()->upscaleTile(tile, painted));
    const cv::Mat expected = reference->upscale(tile);
    ASSERT_EQ(expected.size(), painted.size());

    EXPECT_LE(cv::norm(painted, expected, cv::NORM_INF), 1.0);
    EXPECT_GT(cv::PSNR(painted, expected), 60.0);
}

// A picture smaller than a tile, extended by reflection and cut back, must score as well against
// the true large picture as the same region of a picture large enough to go through in one piece:
// a seam or border artefact of the extension would cost it.
TEST(ShippedModelTest, SmallPictureScoresAsWellAsTheSameRegionEnlargedInOnePiece)
{
    const cv::Mat source = cv::imread(photograph, cv::IMREAD_COLOR);
    if (source.empty()) GTEST_SKIP() << "photograph not installed: " << photograph;
    const auto model = RealESRGAN512::loadShipped();
    ASSERT_TRUE(model) << model.error().description();
    cv::Mat large, onePiece;
    cv::resize(source(cv::Rect(700, 0, 1600, 1600)), large, cv::Size(2048, 2048), 0, 0, cv::INTER_AREA);
    cv::resize(large, onePiece, cv::Size(512, 512), 0, 0, cv::INTER_AREA);
    const cv::Rect small(0, 0, 400, 300);
    const cv::Rect enlarged(0, 0, small.width * 4, small.height * 4);
    const CoreMLUpscaleTool tool(model.value());

    const auto whole = tool.upscaleTiled(onePiece, {});
    const auto padded = tool.upscaleTiled(onePiece(small).clone(), {});
    ASSERT_TRUE(whole && padded);
    ASSERT_EQ(padded.value().size(), enlarged.size());
    const double wholeScore = cv::PSNR(whole.value()(enlarged), large(enlarged));
    const double paddedScore = cv::PSNR(padded.value(), large(enlarged));
    EXPECT_NEAR(paddedScore, wholeScore, 0.05);
    EXPECT_GT(paddedScore, 25.0);
}

// A stop during a forward pass ends it between two layers rather than after the tile, which takes
// seconds; how soon is measured by bench/upscale_bench.
TEST(ShippedModelTest, StopDuringAForwardPassEndsItAsCancelled)
{
    const auto model = RealESRGAN512::loadShipped();
    ASSERT_TRUE(model) << model.error().description();
    const cv::Mat tile = test::randomImage(RealESRGAN512::inputSize, RealESRGAN512::inputSize);
    cv::Mat painted(RealESRGAN512::outputSize, RealESRGAN512::outputSize, CV_8UC3, cv::Scalar::all(7));
    std::stop_source stop;
    std::optional<Result<void, UpscaleError>> result;
    std::atomic<bool> ended = false;
    std::thread pass([&] {
        result = model.value()->upscaleTile(tile, painted, stop.get_token());
        ended = true;
    });
    // The pass is under way once its thread has run longer than the tile's conversion could take.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (
        !ended && processorTime(pass) < std::chrono::milliseconds(200) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop.request_stop();
    pass.join();
    ASSERT_TRUE(result.has_value());
    ASSERT_FALSE(*result) << "the pass ended before it could be stopped";
    EXPECT_TRUE(result->error().isCancelled());
    EXPECT_EQ(model.value()->statistics().passes, 0u);
    EXPECT_EQ(cv::countNonZero(painted.reshape(1) != 7), 0);
}

} // namespace
} // namespace tl
