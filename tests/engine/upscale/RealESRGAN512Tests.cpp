#include "engine/upscale/RealESRGAN512.h"
#include "tests/engine/upscale/UpscaleTestSupport.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <fstream>

namespace tl {
namespace {

using test::fixtureModel;
using test::loadFixture;
using test::randomImage;

TEST(RealESRGAN512Test, RefusesModelsThatBreakTheContractAtLoading)
{
    test::ScratchFolder folder;
    const auto notAModel = folder.path / "garbage.onnx";
    std::ofstream(notAModel) << "this is not a protobuf";

    for (const auto& file : { fixtureModel("half_size.onnx"), fixtureModel("no_such_model.onnx"), notAModel }) {
        const auto loaded = RealESRGAN512::load(file);
        ASSERT_FALSE(loaded) << file;
        EXPECT_EQ(loaded.error().description(), "Upscaling model failed to load.");
    }
}

TEST(RealESRGAN512Test, LoadingRunsNoPass)
{
    const auto model = loadFixture("nearest4x.onnx");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->statistics().passes, 0u);
}

TEST(RealESRGAN512Test, PaintsNearestNeighbourResultOfBgrAndBgraTiles)
{
    const auto model = loadFixture("nearest4x.onnx");
    ASSERT_TRUE(model);
    for (const int type : { CV_8UC3, CV_8UC4 }) {
        const cv::Mat tile = randomImage(512, 512, type);
        cv::Mat bgr = tile;
        if (type == CV_8UC4) cv::cvtColor(tile, bgr, cv::COLOR_BGRA2BGR);
        cv::Mat expected;
        cv::resize(bgr, expected, {}, 4, 4, cv::INTER_NEAREST);

        cv::Mat painted(2048, 2048, CV_8UC3, cv::Scalar::all(7));
        ASSERT_TRUE(model->upscaleTile(tile, painted));
        EXPECT_TRUE(test::identical(painted, expected)) << "channels " << CV_MAT_CN(type);
    }
    EXPECT_EQ(model->statistics().passes, 2u);
}

TEST(RealESRGAN512Test, NetworkSeesRgbAndItsOutputIsReadAsRgb)
{
    // The probe model passes red through and zeroes green and blue.
    const auto model = loadFixture("red_only4x.onnx");
    ASSERT_TRUE(model);
    const cv::Mat tile(512, 512, CV_8UC3, cv::Scalar(30, 90, 200)); // B, G, R
    cv::Mat painted(2048, 2048, CV_8UC3);
    ASSERT_TRUE(model->upscaleTile(tile, painted));
    const cv::Scalar mean = cv::mean(painted);
    EXPECT_EQ(mean[0], 0.0);
    EXPECT_EQ(mean[1], 0.0);
    EXPECT_EQ(mean[2], 200.0);
}

TEST(RealESRGAN512Test, RejectsTilesAndTargetsOfTheWrongShapeWithoutPainting)
{
    const auto model = loadFixture("nearest4x.onnx");
    ASSERT_TRUE(model);
    cv::Mat painted(2048, 2048, CV_8UC3, cv::Scalar::all(7));
    EXPECT_FALSE(model->upscaleTile(randomImage(511, 512), painted));
    cv::Mat small(1024, 1024, CV_8UC3);
    EXPECT_FALSE(model->upscaleTile(randomImage(512, 512), small));
    EXPECT_EQ(cv::norm(painted, cv::Mat(2048, 2048, CV_8UC3, cv::Scalar::all(7)), cv::NORM_INF), 0);
    EXPECT_EQ(model->statistics().passes, 0u);
}

} // namespace
} // namespace tl
