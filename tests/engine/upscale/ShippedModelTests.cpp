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

} // namespace
} // namespace tl
