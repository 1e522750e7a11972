#include "engine/HeicEncoder.h"
#include "engine/HeicGenerator.h"
#include "support/TestImageFiles.h"
#include "tests/engine/DesktopMetadataReader.h"
#include "tests/engine/ExportTestSupport.h"
#include "tests/engine/PrimaryHevcImage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>

namespace tl {
namespace {

// Frames coded by x265 on their own and placed afterwards must be the very units libheif codes
// for the same pixels, and read back exactly like frames the container's own encoder coded: same
// pixels, same order, same colour box, metadata on the first.
TEST(HevcCodedImageTest, PlacedFramesReadBackLikeDirectlyEncodedOnes)
{
    if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
    test::ScratchFolder folder;
    // The last is smaller than x265 codes, so libheif shows it through a derived image cut to size.
    const std::vector<cv::Mat> frames { test::syntheticPhoto(320, 240, 1), test::syntheticPhoto(320, 240, 4),
        test::syntheticPhoto(321, 179, 2), test::syntheticPhoto(80, 48, 3) };
    const std::string xmp = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>";

    auto direct = HeicEncoder::create();
    auto placed = HeicEncoder::create();
    ASSERT_TRUE(direct && placed);
    for (std::size_t index = 0; index < frames.size(); ++index) {
        const auto metadata = index == 0 ? std::optional(xmp) : std::nullopt;
        ASSERT_TRUE(direct.value().addImage(frames[index], metadata));
        auto analysed = HeicEncoder::startCoding(frames[index], 2);
        ASSERT_TRUE(analysed);
        const auto coded = std::move(analysed).value().code();
        ASSERT_TRUE(coded);
        ASSERT_TRUE(placed.value().addCodedImage(coded.value(), metadata));

        auto single = HeicEncoder::create();
        ASSERT_TRUE(single && single.value().addImage(frames[index]));
        ASSERT_TRUE(single.value().writeTo(folder.path / "single.heic"));
        const auto reference = test::primaryHevcImage(test::readBytes(folder.path / "single.heic"));
        ASSERT_TRUE(reference);
        EXPECT_TRUE(coded.value().units == reference->units)
            << "frame " << index << " is not coded as libheif codes it";
        EXPECT_EQ(coded.value().codedWidth, reference->codedWidth) << "frame " << index;
        EXPECT_EQ(coded.value().codedHeight, reference->codedHeight) << "frame " << index;
    }
    ASSERT_TRUE(direct.value().writeTo(folder.path / "direct.heic"));
    ASSERT_TRUE(placed.value().writeTo(folder.path / "placed.heic"));

    const auto expected = test::readHeic(folder.path / "direct.heic");
    const auto actual = test::readHeic(folder.path / "placed.heic");
    ASSERT_TRUE(expected && actual);
    ASSERT_EQ(actual->pixels.size(), frames.size());
    EXPECT_TRUE(actual->primaryIsFirst);
    for (std::size_t index = 0; index < frames.size(); ++index) {
        EXPECT_EQ(actual->pixels[index].size(), expected->pixels[index].size());
        EXPECT_EQ(cv::norm(actual->pixels[index], expected->pixels[index], cv::NORM_INF), 0) << "frame " << index;
        EXPECT_EQ(actual->colour[index].matrix, expected->colour[index].matrix);
        EXPECT_EQ(actual->colour[index].fullRange, expected->colour[index].fullRange);
        EXPECT_EQ(actual->metadataPerImage[index].size(), index == 0 ? 1u : 0u);
    }
}

TEST(HevcCodedImageTest, RefusesFilesWithoutAWholeCodedPrimaryImage)
{
    if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
    test::ScratchFolder folder;
    auto encoder = HeicEncoder::create();
    ASSERT_TRUE(encoder);
    ASSERT_TRUE(encoder.value().addImage(test::syntheticPhoto(64, 64, 3)));
    ASSERT_TRUE(encoder.value().writeTo(folder.path / "one.heic"));
    const std::string file = test::readBytes(folder.path / "one.heic");

    const auto whole = test::primaryHevcImage(file);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->width, 64);
    EXPECT_GE(whole->units.size(), 4u) << "VPS, SPS, PPS and at least one slice";
    EXPECT_FALSE(test::primaryHevcImage(file.substr(0, file.size() - 10))) << "data cut short";
    EXPECT_FALSE(test::primaryHevcImage(file.substr(0, 40))) << "boxes cut short";
    EXPECT_FALSE(test::primaryHevcImage("not a HEIF file at all"));
}

// Frames are coded several at a time; a stop heard after the first one is coded ends the run as
// cancelled, with no later frame started and the previous wallpaper left as it was.
TEST(HevcCodedImageTest, StopWhileFramesAreCodedEndsCancelledAndKeepsThePreviousFile)
{
    if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
    test::ScratchFolder folder;
    std::vector<WallpaperImage> images;
    for (int index = 0; index < 8; ++index) {
        const auto file = folder.path / ("frame" + std::to_string(index) + ".png");
        ASSERT_TRUE(cv::imwrite(file.string(), test::syntheticPhoto(256, 160, index)));
        images.push_back(test::frameImage(file, index * 10.0 - 20));
    }
    const auto output = folder.path / "wallpaper.heic";
    std::ofstream(output) << "the previous wallpaper";
    std::stop_source stop;
    std::atomic<int> coded = 0;
    const auto result = HeicGenerator().generate(
        images, WallpaperMode::time, output, std::nullopt,
        [&](int, int, const std::string& message) {
            if (message.starts_with("Encoded image")) {
                ++coded;
                stop.request_stop();
            }
        },
        stop.get_token());
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().isCancelled());
    EXPECT_LT(coded.load(), 8);
    std::ifstream previous(output);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(previous)), std::istreambuf_iterator<char>()),
        "the previous wallpaper");
}

} // namespace
} // namespace tl
