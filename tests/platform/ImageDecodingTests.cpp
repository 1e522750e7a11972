#include "platform/HeifHandles.h"
#include "platform/ImageDecoding.h"
#include "platform/ImageFileBytes.h"
#include "platform/ImageFileExtent.h"
#include "platform/ImageFileProblem.h"
#include "platform/ImageSource.h"

#include "support/HangLimit.h"
#include "support/LargePng.h"
#include "support/PeakMemory.h"
#include "support/TestImageFiles.h"
#include "support/TiledHeic.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <future>

namespace tl {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::writeBytes;

class ImageDecodingTest : public ::testing::Test {
protected:
    test::ScratchFolder scratch;

    fs::path encoded(const std::string& name, const cv::Mat& pixels) const
    {
        const fs::path path = scratch.path / name;
        EXPECT_TRUE(cv::imwrite(path.string(), pixels));
        return path;
    }
};

struct ProfileCase {
    const char* name;
    const char* extension;
    bool grey;
};

class EmbeddedProfileTest : public ImageDecodingTest, public ::testing::WithParamInterface<ProfileCase> { };

// A linear-light profile turns stored 128 into sRGB 188; an untagged file keeps 128.
TEST_P(EmbeddedProfileTest, LinearProfileIsConvertedToSrgb)
{
    const auto& param = GetParam();
    const cv::Mat pixels
        = param.grey ? cv::Mat(8, 8, CV_8UC1, cv::Scalar(128)) : cv::Mat(8, 8, CV_8UC3, cv::Scalar(128, 128, 128));
    const fs::path plain = encoded(std::string("plain") + param.extension, pixels);
    const std::string bytes = readBytes(plain);
    const auto profile = test::linearProfile(param.grey);
    const fs::path tagged = scratch.path / (std::string("tagged") + param.extension);
    writeBytes(tagged,
        std::string(param.extension) == ".png" ? test::withPngProfile(bytes, profile)
                                               : test::withJpegProfile(bytes, profile));

    const cv::Mat untagged = decodeImageFile(plain);
    const cv::Mat converted = decodeImageFile(tagged);
    ASSERT_EQ(untagged.type(), CV_8UC3);
    ASSERT_EQ(converted.type(), CV_8UC3);
    EXPECT_NEAR(untagged.at<cv::Vec3b>(4, 4)[1], 128, 1);
    for (int channel = 0; channel < 3; ++channel)
        EXPECT_NEAR(converted.at<cv::Vec3b>(4, 4)[channel], 188, 2);
}

INSTANTIATE_TEST_SUITE_P(Formats, EmbeddedProfileTest,
    ::testing::Values(ProfileCase { "PngRgb", ".png", false }, ProfileCase { "PngGrey", ".png", true },
        ProfileCase { "JpegRgb", ".jpg", false }),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(ImageDecodingTest, HeicDecodesToBgrAndHonoursItsProfile)
{
    if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
    cv::Mat pixels(64, 96, CV_8UC3, cv::Scalar(40, 120, 200));
    ASSERT_TRUE(test::writeTestHeic(pixels, scratch.path / "plain.heic"));
    const cv::Mat plain = decodeImageFile(scratch.path / "plain.heic");
    ASSERT_EQ(plain.type(), CV_8UC3);
    EXPECT_EQ(plain.size(), cv::Size(96, 64));
    const cv::Vec3b centre = plain.at<cv::Vec3b>(32, 48);
    EXPECT_NEAR(centre[0], 40, 4);
    EXPECT_NEAR(centre[1], 120, 4);
    EXPECT_NEAR(centre[2], 200, 4);

    ASSERT_TRUE(test::writeTestHeic(
        cv::Mat(64, 96, CV_8UC3, cv::Scalar::all(128)), scratch.path / "linear.heic", test::linearProfile()));
    const cv::Mat converted = decodeImageFile(scratch.path / "linear.heic");
    ASSERT_FALSE(converted.empty());
    EXPECT_NEAR(converted.at<cv::Vec3b>(32, 48)[1], 188, 4);
}

// Full-size HEIC pictures are converted from their planes by us, band by band; they must show what
// libheif's own conversion shows, across band edges, subsampled chroma and odd sides.
TEST_F(ImageDecodingTest, HeicConvertedBandByBandMatchesLibheifsOwnConversion)
{
    if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
    cv::Mat pixels(301, 1001, CV_8UC3);
    for (int y = 0; y < pixels.rows; ++y)
        for (int x = 0; x < pixels.cols; ++x)
            pixels.at<cv::Vec3b>(y, x) = { static_cast<std::uint8_t>(x / 4), static_cast<std::uint8_t>(y * 5 / 6),
                static_cast<std::uint8_t>((x * 7 + y * 3) % 256) };
    const fs::path path = scratch.path / "bands.heic";
    ASSERT_TRUE(test::writeTestHeic(pixels, path));

    const heif::Context context(heif_context_alloc());
    ASSERT_EQ(heif_context_read_from_file(context.get(), path.c_str(), nullptr).code, heif_error_Ok);
    heif_image_handle* rawHandle = nullptr;
    ASSERT_EQ(heif_context_get_primary_image_handle(context.get(), &rawHandle).code, heif_error_Ok);
    const heif::ImageHandle handle(rawHandle);
    heif_image* rawImage = nullptr;
    ASSERT_EQ(
        heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code,
        heif_error_Ok);
    const heif::Image image(rawImage);
    int stride = 0;
    const std::uint8_t* rgb = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    cv::Mat reference;
    cv::cvtColor(cv::Mat(pixels.rows, pixels.cols, CV_8UC3, const_cast<std::uint8_t*>(rgb), stride), reference,
        cv::COLOR_RGB2BGR);

    const cv::Mat decoded = decodeImageFile(path);
    ASSERT_EQ(decoded.type(), CV_8UC3);
    ASSERT_EQ(decoded.size(), reference.size());
    cv::Mat difference;
    cv::absdiff(decoded, reference, difference);
    double largest = 0;
    cv::Point where;
    cv::minMaxLoc(difference.reshape(1), nullptr, &largest, nullptr, &where);
    EXPECT_LE(largest, 2) << "at column " << where.x / 3 << ", row " << where.y;
}

// Coded Y'CbCr in the video range (16 to 235) must be stretched: read as full range, black is
// grey and every colour is washed out. libheif hands a grid's planes over as coded, and the preview
// converts them itself; the full decode goes through libheif's conversion.
TEST_F(ImageDecodingTest, LimitedRangeHeicIsStretchedInFullAndInPreview)
{
    if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
    const cv::Scalar ycbcr(50, 140, 150);
    const fs::path path = scratch.path / "limited.heic";
    ASSERT_TRUE(test::TiledHeic::write(path, 64, 2, ycbcr, {}, false));

    const double y = (ycbcr[0] - 16) * 255 / 219.0;
    const double cb = (ycbcr[1] - 128) * 255 / 224.0;
    const double cr = (ycbcr[2] - 128) * 255 / 224.0;
    const cv::Scalar expected(y + 1.772 * cb, y - 0.344136 * cb - 0.714136 * cr, y + 1.402 * cr);
    for (const int previewSide : { 0, 64 }) {
        const cv::Mat decoded = previewSide > 0 ? decodePreview(path, previewSide) : decodeImageFile(path);
        ASSERT_EQ(decoded.type(), CV_8UC3) << previewSide;
        const cv::Scalar found = cv::mean(decoded);
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(found[channel], expected[channel], 3)
                << "preview side " << previewSide << ", channel " << channel;
    }
}

// Bitmaps store rows bottom-up unless their height is negative, each padded to four bytes; an
// odd width shows a padding or row-order slip at once.
TEST_F(ImageDecodingTest, BitmapsDecodeBottomUpTopDownAndWithPaddedRows)
{
    // Every row and every column differs, smoothly, so a preview can be compared too.
    cv::Mat colour(23, 37, CV_8UC3);
    cv::Mat grey(23, 37, CV_8UC1);
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            colour.at<cv::Vec3b>(y, x) = { static_cast<std::uint8_t>(6 * x), static_cast<std::uint8_t>(10 * y),
                static_cast<std::uint8_t>(255 - 5 * x - 3 * y) };
            grey.at<std::uint8_t>(y, x) = static_cast<std::uint8_t>(10 * y + x / 2);
        }
    }
    cv::Mat greyAsColour;
    cv::cvtColor(grey, greyAsColour, cv::COLOR_GRAY2BGR);

    const fs::path bottomUp = encoded("bottom-up.bmp", colour);
    const fs::path palette = encoded("palette.bmp", grey);
    // The same rows stored top-down: the height negated and the rows in the other order.
    std::string bytes = readBytes(bottomUp);
    const std::uint32_t offset = static_cast<std::uint8_t>(bytes[10]) | static_cast<std::uint8_t>(bytes[11]) << 8;
    const std::size_t stride = (37 * 3 + 3) / 4 * 4;
    std::string flipped = bytes.substr(0, offset);
    for (int row = 22; row >= 0; --row)
        flipped += bytes.substr(offset + row * stride, stride);
    const std::int32_t negative = -23;
    std::memcpy(flipped.data() + 22, &negative, 4);
    const fs::path topDown = scratch.path / "top-down.bmp";
    writeBytes(topDown, flipped);

    for (const auto& [path, expected] :
        { std::pair { bottomUp, colour }, std::pair { topDown, colour }, std::pair { palette, greyAsColour } }) {
        const cv::Mat decoded = decodeImageFile(path);
        ASSERT_EQ(decoded.type(), CV_8UC3) << path.filename();
        EXPECT_EQ(cv::norm(decoded, expected, cv::NORM_INF), 0) << path.filename();
        cv::Mat reference;
        cv::resize(expected, reference, cv::Size(12, 7), 0, 0, cv::INTER_AREA);
        const cv::Mat preview = decodePreview(path, 12);
        ASSERT_EQ(preview.size(), reference.size()) << path.filename();
        // Averaged in 3 x 3 blocks and then resized, so close to one area resize, not equal.
        cv::Mat difference;
        cv::absdiff(preview, reference, difference);
        EXPECT_LT(cv::norm(difference, cv::NORM_INF), 12) << path.filename();
    }
}

TEST_F(ImageDecodingTest, PreviewFitsTheLongSideAndNeverGrows)
{
    cv::Mat wide(600, 1800, CV_8UC3);
    cv::randu(wide, 0, 255);
    for (const char* extension : { ".jpg", ".png" }) {
        const fs::path path = encoded(std::string("wide") + extension, wide);
        const cv::Mat preview = decodePreview(path, 200);
        EXPECT_EQ(preview.size(), cv::Size(200, 67)) << extension;
        EXPECT_EQ(decodePreview(path, 4000).size(), wide.size()) << extension;
    }
    EXPECT_TRUE(decodePreview(scratch.path / "missing.png", 200).empty());
}

TEST_F(ImageDecodingTest, HugeFilesAreRefusedUnread)
{
    // A sparse file: a real PNG at the start, then more than a gibibyte of nothing.
    const fs::path huge = encoded("huge.png", cv::Mat(4, 4, CV_8UC3, cv::Scalar::all(50)));
    ASSERT_FALSE(decodeImageFile(huge).empty());
    fs::resize_file(huge, kLargestImageFileBytes + 1);
    EXPECT_TRUE(decodeImageFile(huge).empty());
    EXPECT_FALSE(readImageFileBytes(huge));
}

TEST_F(ImageDecodingTest, ImageFileBytesAreReadWholeOnlyFromRegularFiles)
{
    writeBytes(scratch.path / "small.bin", std::string("\x89PNG\0\xFF", 6));
    EXPECT_EQ(
        readImageFileBytes(scratch.path / "small.bin"), (std::vector<std::uint8_t> { 0x89, 'P', 'N', 'G', 0, 0xFF }));
    writeBytes(scratch.path / "empty.bin", "");
    EXPECT_EQ(readImageFileBytes(scratch.path / "empty.bin"), std::vector<std::uint8_t> {});
    EXPECT_FALSE(readImageFileBytes(scratch.path));
    EXPECT_FALSE(readImageFileBytes(scratch.path / "missing.png"));
}

// A FIFO has no writer: a reader that opened it blocking would wait for one for ever. The test
// becomes that writer itself while the decode still waits, so a fault fails it rather than hangs it.
TEST_F(ImageDecodingTest, AFifoInThePictureFilesPlaceIsRefusedWithoutWaiting)
{
    const fs::path fifo = scratch.path / "frame.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::pair<const char*, std::function<bool()>>> readers {
        { "ImageSource::openFile", [&] { return ImageSource::openFile(fifo).has_value(); } },
        { "decodeImageFile", [&] { return !decodeImageFile(fifo).empty(); } },
        { "readImageFileBytes", [&] { return readImageFileBytes(fifo).has_value(); } },
        { "readImageFileExtent", [&] { return readImageFileExtent(fifo).has_value(); } },
        { "diagnoseImageFile", [&] { return diagnoseImageFile(fifo).kind != ImageFileProblem::Kind::unreadable; } },
    };
    for (const auto& [name, reads] : readers) {
        auto opened = std::async(std::launch::async, reads);
        const bool returned = opened.wait_for(testing::hangLimit) == std::future_status::ready;
        while (opened.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        EXPECT_TRUE(returned) << name << " waited for a writer to the FIFO";
        EXPECT_FALSE(opened.get()) << name;
    }
}

TEST_F(ImageDecodingTest, PicturesBeyondTheLargestCanvasAreRefusedByTheirHeader)
{
    const cv::Mat strip(2, 40000, CV_8UC1, cv::Scalar::all(90));
    for (const char* extension : { ".png", ".jpg", ".bmp", ".tif" }) {
        const fs::path path = encoded(std::string("strip") + extension, strip);
        EXPECT_TRUE(decodeImageFile(path).empty()) << extension;
        EXPECT_TRUE(decodePreview(path, 200).empty()) << extension;
        EXPECT_TRUE(decodeImageBytes(readBytes(path)).empty()) << extension << " in memory";
    }
    const fs::path widest = encoded("widest.png", cv::Mat(2, 32768, CV_8UC1, cv::Scalar::all(90)));
    EXPECT_EQ(decodeImageFile(widest).size(), cv::Size(32768, 2));

    // Signature and a header claiming 20000 x 20000 16-bit RGB, then no pixels: nothing is allocated.
    const std::string header
        = "IHDR" + test::bigEndian32(20000) + test::bigEndian32(20000) + std::string("\x10\x02\0\0\0", 5);
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(header.data()), static_cast<uInt>(header.size()));
    const fs::path bomb = scratch.path / "bomb.png";
    writeBytes(bomb,
        "\x89PNG\r\n\x1a\n" + test::bigEndian32(13) + header + test::bigEndian32(static_cast<std::uint32_t>(crc)));
    EXPECT_TRUE(decodePreview(bomb, 200).empty());
    EXPECT_TRUE(decodeImageBytes(readBytes(bomb)).empty());

    // Pictures in memory decode as their files do; bytes that are no picture give nothing.
    const cv::Mat grey(3, 5, CV_8UC1, cv::Scalar::all(90));
    const cv::Mat fromMemory = decodeImageBytes(readBytes(encoded("grey.png", grey)));
    ASSERT_EQ(fromMemory.type(), CV_8UC3);
    EXPECT_EQ(fromMemory.size(), cv::Size(5, 3));
    EXPECT_TRUE(decodeImageBytes("not a picture").empty());
    EXPECT_TRUE(decodeImageBytes("").empty());
}

TEST_F(ImageDecodingTest, WritePngReplacesWholeFilesAndLeavesNoTemporaryFile)
{
    const fs::path target = scratch.path / "frame.png";
    writeBytes(target, "an older, longer file that must not survive in part");
    cv::Mat pixels(5, 7, CV_8UC4, cv::Scalar(1, 2, 3, 4));
    ASSERT_TRUE(writePng(pixels, target));
    const cv::Mat back = cv::imread(target.string(), cv::IMREAD_UNCHANGED);
    ASSERT_EQ(back.type(), CV_8UC4);
    EXPECT_EQ(cv::norm(back, pixels, cv::NORM_INF), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path), fs::directory_iterator {}), 1);

    EXPECT_FALSE(writePng(pixels, scratch.path / "no-such-folder" / "frame.png"));
    EXPECT_FALSE(writePng(cv::Mat(), scratch.path / "empty.png"));
    EXPECT_FALSE(fs::exists(scratch.path / "empty.png"));
}

// Small files that state huge pictures: previews are read reduced and full decodes cost one 8-bit
// picture, whatever depth the file stores. Each decode runs in a child whose peak is measured.
TEST_F(ImageDecodingTest, HugePicturesInSmallFilesDecodeWithinBoundedMemory)
{
    constexpr std::int64_t megabyte = 1 << 20;
    // 16-bit (0x1212, 0x8080, 0xC0C0) is 8-bit BGR (192, 128, 18).
    const std::string deepRgba("\x12\x12\x80\x80\xC0\xC0\xFF\xFF", 8);
    const cv::Scalar colour(192, 128, 18);
    const auto png = [](test::LargePng large) {
        return std::function<void(const fs::path&)>([large](const fs::path& path) { large.write(path); });
    };
    const auto lossyWebp = [](cv::Size size, cv::Scalar bgr) {
        return std::function<void(const fs::path&)>([size, bgr](const fs::path& path) {
            ASSERT_TRUE(
                cv::imwrite(path.string() + ".webp", cv::Mat(size, CV_8UC3, bgr), { cv::IMWRITE_WEBP_QUALITY, 1 }));
            fs::rename(path.string() + ".webp", path);
        });
    };
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> write;
        int previewSide; // 0: a full decode
        cv::Size decoded; // empty when the file must be refused
        cv::Scalar colour;
        std::int64_t bound;
    };
    const Case cases[] = {
        { "16-bit RGBA PNG preview", png({ 16384, 16384, 16, 6, deepRgba }), 512, { 512, 512 }, colour, 96 * megabyte },
        { "16-bit RGBA interlaced PNG preview", png({ 8192, 4608, 16, 6, deepRgba, true }), 512, { 512, 288 }, colour,
            96 * megabyte },
        { "8-bit grey PNG preview", png({ 8192, 8192, 8, 0, "\x80" }), 300, { 300, 300 }, cv::Scalar::all(128),
            96 * megabyte },
        { "16-bit RGB PNG cut short", png({ 8192, 8192, 16, 2, deepRgba.substr(0, 6), false, 0.5 }), 512, {}, colour,
            96 * megabyte },
        // 8000 x 6000 BGR is 137 MB.
        { "lossy WebP preview", lossyWebp({ 8000, 6000 }, colour), 400, { 400, 300 }, colour, 48 * megabyte },
        // One 8192 x 8192 BGRA picture is 256 MB; its 16-bit form alone would be twice that.
        { "16-bit RGBA PNG for export", png({ 8192, 8192, 16, 6, deepRgba }), 0, { 8192, 8192 }, colour,
            320 * megabyte },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = scratch.path / "huge";
        c.write(path);
        EXPECT_LT(fs::file_size(path), 8 * megabyte);
        const auto peak = test::measureInChild([&]() -> std::int64_t {
            const cv::Mat pixels = c.previewSide > 0 ? decodePreview(path, c.previewSide) : decodeImageFile(path);
            if (pixels.empty()) return 0;
            // The colour must survive the reduction.
            const cv::Mat centre = pixels(cv::Rect(pixels.cols / 2, pixels.rows / 2, 1, 1));
            const cv::Scalar found = cv::mean(centre);
            for (int channel = 0; channel < 3; ++channel) {
                if (std::abs(found[channel] - c.colour[channel]) > 3) return -1;
            }
            return std::int64_t { pixels.cols } << 32 | pixels.rows;
        });
        ASSERT_TRUE(peak) << "the decoding child failed";
        EXPECT_EQ(peak->result, std::int64_t { c.decoded.width } << 32 | c.decoded.height);
        EXPECT_LT(peak->growthBytes, c.bound) << peak->growthBytes / megabyte << " MB";
    }
}

} // namespace
} // namespace tl
