#include "platform/Image.h"
#include "platform/Uuid.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <filesystem>
#include <fstream>
#include <vector>

namespace tl {
namespace {

namespace fs = std::filesystem;

class ImageLoadTest : public ::testing::Test {
protected:
    const fs::path folder = fs::temp_directory_path() / ("tl-image-" + Uuid::random().text());

    void SetUp() override { fs::create_directories(folder); }
    void TearDown() override { fs::remove_all(folder); }

    fs::path write(const std::string& name, const cv::Mat& pixels, const std::vector<int>& options = {}) const
    {
        const fs::path path = folder / name;
        EXPECT_TRUE(cv::imwrite(path.string(), pixels, options));
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

// An APP1 segment whose only EXIF entry says "rotate 90 degrees clockwise to display".
std::string exifRotatedClockwise()
{
    const std::string tiff{"MM\0*\0\0\0\x08"
                           "\0\x01"
                           "\x01\x12\0\x03\0\0\0\x01\0\x06\0\0"
                           "\0\0\0\0",
                           26};
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const auto length = payload.size() + 2;
    return std::string{'\xFF', '\xE1', static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)} + payload;
}

TEST_F(ImageLoadTest, JpegIsTurnedUprightByItsExifOrientation)
{
    const fs::path plain = write("plain.jpg", cv::Mat(4, 6, CV_8UC3, cv::Scalar(40, 80, 120)));
    std::ifstream in(plain, std::ios::binary);
    const std::string jpeg{std::istreambuf_iterator<char>(in), {}};
    const fs::path rotated = folder / "rotated.jpg";
    std::ofstream(rotated, std::ios::binary) << jpeg.substr(0, 2) << exifRotatedClockwise() << jpeg.substr(2);

    expectBgra8(Image::load(plain), 6, 4);
    expectBgra8(Image::load(rotated), 4, 6);
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

TEST_F(ImageLoadTest, FloatingPointTiffMapsZeroToOneOntoFullRange)
{
    cv::Mat hdr(2, 2, CV_32FC3, cv::Scalar(0.0, 0.25, 1.0));
    hdr.at<cv::Vec3f>(1, 1) = {4.0f, 0.5f, -1.0f};
    // Uncompressed, since the default compression of float TIFF is lossy.
    const auto image = Image::load(write("float.tiff", hdr, {cv::IMWRITE_TIFF_COMPRESSION, 1}));
    expectBgra8(image, 2, 2);
    EXPECT_EQ(pixel(*image, 0, 0), cv::Vec4b(0, 64, 255, 255));
    EXPECT_EQ(pixel(*image, 1, 1), cv::Vec4b(255, 128, 0, 255));
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
