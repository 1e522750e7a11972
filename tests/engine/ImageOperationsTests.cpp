#include "engine/Dither.h"
#include "engine/LanczosResampler.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace tl {
namespace {

class ResamplerLayouts : public ::testing::TestWithParam<int> { };

TEST_P(ResamplerLayouts, IdentityGeometryReproducesThePixels)
{
    cv::Mat pixels(37, 53, CV_8UC(GetParam()));
    cv::randu(pixels, 0, 256);
    const cv::Mat same = resampleLanczos(pixels, { 53, 37, 1, 1, 0, 0 });
    EXPECT_EQ(cv::norm(same, pixels, cv::NORM_INF), 0);
}

TEST_P(ResamplerLayouts, FlatColourStaysFlatAtAnyScale)
{
    const cv::Scalar colour = GetParam() == 3 ? cv::Scalar(12, 130, 250) : cv::Scalar(12, 130, 250, 77);
    const cv::Mat flat(61, 97, CV_8UC(GetParam()), colour);
    for (const cv::Size size : { cv::Size(41, 23), cv::Size(200, 113), cv::Size(97, 30) }) {
        const cv::Mat scaled = scaleToFill(flat, size.width, size.height);
        ASSERT_EQ(scaled.size(), size);
        cv::Mat expected(size, flat.type(), colour);
        EXPECT_LE(cv::norm(scaled, expected, cv::NORM_INF), 1) << size;
    }
}

INSTANTIATE_TEST_SUITE_P(Channels, ResamplerLayouts, ::testing::Values(3, 4));

// Reductions of 1.1 to 2.2 times are what canvas plans produce; a kernel that does not widen turns a
// fine pattern into coarse stripes there.
TEST(LanczosResampler, ReductionAveragesFineDetailInsteadOfAliasing)
{
    cv::Mat checker(600, 600, CV_8UC3);
    for (int y = 0; y < checker.rows; ++y)
        for (int x = 0; x < checker.cols; ++x)
            checker.at<cv::Vec3b>(y, x) = cv::Vec3b::all((x + y) % 2 ? 255 : 0);
    const cv::Mat reduced = stretchTo(checker, 281, 281);
    cv::Scalar mean, deviation;
    cv::meanStdDev(reduced(cv::Rect(10, 10, 261, 261)), mean, deviation);
    EXPECT_NEAR(mean[0], 127.5, 3);
    EXPECT_LT(deviation[0], 6);

    cv::Mat naive;
    cv::resize(checker, naive, { 281, 281 }, 0, 0, cv::INTER_LANCZOS4);
    cv::meanStdDev(naive(cv::Rect(10, 10, 261, 261)), mean, deviation);
    EXPECT_GT(deviation[0], 20) << "the reference resize no longer aliases; this test lost its point";
}

TEST(LanczosResampler, FillCropsTheOverflowEquallyFromBothSides)
{
    // A 4:3 picture whose rows hold their own index: on a 16:9 canvas the kept band is centred.
    cv::Mat rows(300, 400, CV_8UC3);
    for (int y = 0; y < rows.rows; ++y)
        rows.row(y).setTo(cv::Scalar::all(y * 255 / 299));
    const cv::Mat filled = scaleToFill(rows, 160, 90);
    ASSERT_EQ(filled.size(), cv::Size(160, 90));
    // Scale 0.4 cuts 15 scaled rows from each side: canvas rows 0 and 89 sample source rows 38.25 and 260.75.
    const double top = filled.at<cv::Vec3b>(0, 80)[0];
    const double bottom = filled.at<cv::Vec3b>(89, 80)[0];
    EXPECT_NEAR(top, 38.25 * 255 / 299, 2);
    EXPECT_NEAR(bottom, 260.75 * 255 / 299, 2);
    EXPECT_NEAR(top + bottom, 255, 2);
}

TEST(Dither, AddsFaintIndependentNoiseReproducibly)
{
    cv::Mat grey(64, 64, CV_8UC4, cv::Scalar(100, 100, 100, 255));
    cv::Mat once = grey.clone(), again = grey.clone(), other = grey.clone();
    applyDither(once, 7);
    applyDither(again, 7);
    applyDither(other, 8);
    EXPECT_EQ(cv::norm(once, again, cv::NORM_INF), 0);
    EXPECT_GT(cv::norm(once, other, cv::NORM_L1), 0);
    // 2 % noise over 98 % of the frame: 100 stays within [98, 105].
    EXPECT_LE(cv::norm(once, grey, cv::NORM_INF), 5);
    std::vector<cv::Mat> planes;
    cv::split(once, planes);
    EXPECT_GT(cv::countNonZero(planes[0] != planes[1]), 1000) << "channels must get independent noise";
}

} // namespace
} // namespace tl
