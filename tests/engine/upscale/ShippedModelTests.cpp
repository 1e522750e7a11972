#include "bench/upscale/OpenCvDnnTile.h"
#include "engine/upscale/CoreMLUpscaleTool.h"
#include "engine/upscale/ModelLocation.h"
#include "tests/engine/upscale/UpscaleTestSupport.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace tl {
namespace {

// A photograph from Debian's plasma-workspace-wallpapers (installed by scripts/install-deps.sh).
const char* const photograph = "/usr/share/wallpapers/Path/contents/images/2560x1600.jpg";

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

} // namespace
} // namespace tl
