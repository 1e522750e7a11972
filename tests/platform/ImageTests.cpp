#include "platform/Image.h"
#include "platform/Uuid.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <filesystem>
#include <fstream>

namespace tl {
namespace {

namespace fs = std::filesystem;

class ImageLoadTest : public ::testing::Test {
protected:
    const fs::path folder = fs::temp_directory_path() / ("tl-image-" + Uuid::random().text());

    void SetUp() override { fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }

    fs::path write(const std::string& name, const cv::Mat& pixels) const
    {
        const fs::path path = folder / name;
        EXPECT_TRUE(cv::imwrite(path.string(), pixels));
        return path;
    }

    static void expectBgra8(const std::shared_ptr<const Image>& image, int width, int height)
    {
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width(), width);
        EXPECT_EQ(image->height(), height);
        EXPECT_EQ(image->pixels().type(), CV_8UC4);
    }

    static cv::Vec4b pixel(const Image& image, int x, int y) { return image.pixels().at<cv::Vec4b>(y, x); }
};

TEST_F(ImageLoadTest, ColourPngGetsOpaqueAlpha)
{
    cv::Mat colour(3, 5, CV_8UC3, cv::Scalar(10, 20, 30));
    colour.at<cv::Vec3b>(2, 4) = {200, 100, 50};
    const auto image = Image::load(write("colour.png", colour));
    expectBgra8(image, 5, 3);
    EXPECT_EQ(pixel(*image, 0, 0), cv::Vec4b(10, 20, 30, 255));
    EXPECT_EQ(pixel(*image, 4, 2), cv::Vec4b(200, 100, 50, 255));
}

TEST_F(ImageLoadTest, GreyPngSpreadsToAllChannels)
{
    cv::Mat grey(4, 2, CV_8UC1, cv::Scalar(77));
    grey.at<std::uint8_t>(3, 1) = 255;
    const auto image = Image::load(write("grey.png", grey));
    expectBgra8(image, 2, 4);
    EXPECT_EQ(pixel(*image, 0, 0), cv::Vec4b(77, 77, 77, 255));
    EXPECT_EQ(pixel(*image, 1, 3), cv::Vec4b(255, 255, 255, 255));
}

TEST_F(ImageLoadTest, SixteenBitPngScalesToEightBit)
{
    cv::Mat deep(2, 3, CV_16UC3, cv::Scalar(0, 257 * 128, 65535));
    const auto image = Image::load(write("deep.png", deep));
    expectBgra8(image, 3, 2);
    EXPECT_EQ(pixel(*image, 2, 1), cv::Vec4b(0, 128, 255, 255));

    cv::Mat deepGrey(1, 1, CV_16UC1, cv::Scalar(257 * 64));
    const auto grey = Image::load(write("deep-grey.png", deepGrey));
    expectBgra8(grey, 1, 1);
    EXPECT_EQ(pixel(*grey, 0, 0), cv::Vec4b(64, 64, 64, 255));
}

TEST_F(ImageLoadTest, RgbaPngKeepsItsAlpha)
{
    cv::Mat translucent(2, 2, CV_8UC4, cv::Scalar(1, 2, 3, 0));
    translucent.at<cv::Vec4b>(1, 0) = {40, 50, 60, 128};
    const auto image = Image::load(write("alpha.png", translucent));
    expectBgra8(image, 2, 2);
    EXPECT_EQ(pixel(*image, 0, 0), cv::Vec4b(1, 2, 3, 0));
    EXPECT_EQ(pixel(*image, 0, 1), cv::Vec4b(40, 50, 60, 128));
}

TEST_F(ImageLoadTest, NonImagesGiveNoImage)
{
    EXPECT_FALSE(Image::load(folder / "missing.png"));
    EXPECT_FALSE(Image::load(folder));

    const fs::path text = folder / "notes.png";
    std::ofstream(text) << "not a picture";
    EXPECT_FALSE(Image::load(text));

    const fs::path empty = folder / "empty.png";
    std::ofstream{empty};
    EXPECT_FALSE(Image::load(empty));
}

}  // namespace
}  // namespace tl
