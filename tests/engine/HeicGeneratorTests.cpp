#include "engine/HeicGenerator.h"

#include "DesktopMetadataReader.h"
#include "ExportTestSupport.h"
#include "engine/LinearLightBlend.h"
#include "platform/Log.h"
#include "support/ConstrainedDisk.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

namespace fs = std::filesystem;

class HeicGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
    }

    fs::path photo(const std::string& name, int width, int height, int seed) const
    {
        const fs::path path = scratch.path / name;
        EXPECT_TRUE(cv::imwrite(path.string(), test::syntheticPhoto(width, height, seed)));
        return path;
    }

    HeicPreprocessConfig config(
        std::shared_ptr<ImageUpscalingTool> upscaler, std::optional<PixelSize> target = {}) const
    {
        return { target, HeicUpscaleStrategy::autoScale, false, std::move(upscaler), workFolder, false };
    }

    static std::string solarText(const test::HeicReading& reading)
    {
        const auto& block = reading.metadataPerImage.at(0).at(0);
        const auto value = test::xmpAttribute(block.data, "apple_desktop:solar");
        return value ? test::describeBinaryPlist(test::decodeBase64(*value)) : "";
    }

    static double meanDifference(const cv::Mat& rgb, const cv::Mat& bgr)
    {
        cv::Mat expected;
        cv::cvtColor(bgr, expected, cv::COLOR_BGR2RGB);
        return cv::norm(rgb, expected, cv::NORM_L1) / static_cast<double>(rgb.total() * 3);
    }

    test::ScratchFolder scratch;
    const fs::path output = scratch.path / "wallpaper.heic";
    const fs::path workFolder = scratch.path / "work";
    HeicGenerator generator;
};

TEST_F(HeicGeneratorTest, TimeModeFileCarriesTheSolarTableOnThePrimaryImageOnly)
{
    const std::vector<WallpaperImage> images { test::frameImage(photo("a.png", 96, 64, 1), -6),
        test::frameImage(photo("b.png", 96, 64, 2), 30.5), test::frameImage(photo("c.png", 96, 64, 3), std::nullopt) };
    test::ProgressLog progress;
    ASSERT_TRUE(generator.generate(images, WallpaperMode::time, output, std::nullopt, progress.callback()));

    const auto reading = test::readHeic(output);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->imageCount, 3);
    EXPECT_TRUE(reading->primaryIsFirst);
    ASSERT_EQ(reading->metadataPerImage[0].size(), 1u);
    EXPECT_EQ(reading->metadataPerImage[0][0].type, "mime");
    EXPECT_EQ(reading->metadataPerImage[0][0].contentType, "application/rdf+xml");
    EXPECT_TRUE(reading->metadataPerImage[1].empty());
    EXPECT_TRUE(reading->metadataPerImage[2].empty());
    EXPECT_EQ(solarText(*reading),
        "{si:[{a:real(-6),i:int(0),o:int(0),z:real(78)},{a:real(30.5),i:int(1),o:int(1),z:real(151)},"
        "{a:real(0),i:int(2),o:int(1),z:real(0)}]}");
    for (int i = 0; i < 3; ++i) {
        EXPECT_LT(meanDifference(reading->pixels[i], cv::imread(*images[i].sourcePath)), 4) << "frame " << i;
        const auto& box = reading->colour[i];
        EXPECT_EQ(std::tie(box.primaries, box.transfer, box.matrix, box.fullRange), std::make_tuple(1, 13, 6, 1));
    }

    // The coding line's time left and its repeats each second depend on the machine's pace.
    std::vector<std::string> messages;
    for (const auto& report : progress.reports) {
        EXPECT_EQ(report.total, 3);
        const std::string line
            = std::to_string(report.current) + " " + report.message.substr(0, report.message.find(" · about "));
        if (messages.empty() || messages.back() != line) messages.push_back(line);
    }
    EXPECT_EQ(messages,
        (std::vector<std::string> { "0 Starting generation...", "0 Creating time-based wallpaper...",
            "0 Encoded image 0/3", "1 Encoded image 1/3", "2 Encoded image 2/3", "3 Encoded image 3/3",
            "3 Solar wallpaper created with 3 images" }));
}

TEST_F(HeicGeneratorTest, FileTypeBoxListsEachBrandOnceAndStaysSmall)
{
    std::vector<WallpaperImage> images;
    for (int i = 0; i < 4; ++i)
        images.push_back(test::frameImage(photo("f" + std::to_string(i) + ".png", 64, 64, i), i * 10.0));
    ASSERT_TRUE(generator.generate(images, WallpaperMode::time, output, std::nullopt));
    const std::string bytes = test::readBytes(output);
    ASSERT_EQ(bytes.substr(4, 4), "ftyp");
    const auto size = static_cast<std::size_t>(static_cast<unsigned char>(bytes[3]));
    EXPECT_LE(size, 50u);
    std::set<std::string> brands;
    for (std::size_t at = 16; at < size; at += 4)
        EXPECT_TRUE(brands.insert(bytes.substr(at, 4)).second) << bytes.substr(at, 4);
    EXPECT_TRUE(brands.contains("heic"));
    EXPECT_TRUE(test::readHeic(output));
}

TEST_F(HeicGeneratorTest, AppearanceModeWritesTheFirstLightThenTheFirstDarkImage)
{
    auto lightA = test::frameImage(photo("la.png", 64, 48, 1), std::nullopt);
    auto dark = test::frameImage(photo("d.png", 64, 48, 5), std::nullopt);
    auto lightB = test::frameImage(photo("lb.png", 64, 48, 3), std::nullopt);
    dark.isLight = false;
    lightB.isLight = true;
    ASSERT_TRUE(generator.generate({ dark, lightA, lightB }, WallpaperMode::appearance, output, std::nullopt));
    const auto reading = test::readHeic(output);
    ASSERT_TRUE(reading);
    ASSERT_EQ(reading->imageCount, 2);
    const auto value = test::xmpAttribute(reading->metadataPerImage[0].at(0).data, "apple_desktop:apr");
    ASSERT_TRUE(value);
    EXPECT_EQ(test::describeBinaryPlist(test::decodeBase64(*value)), "{d:int(1),l:int(0)}");
    EXPECT_TRUE(reading->metadataPerImage[1].empty());
    // Absent flags count as light and keep their order; a second light image never stands in for
    // the dark one while the project has one.
    EXPECT_LT(meanDifference(reading->pixels[0], cv::imread(*lightA.sourcePath)), 4);
    EXPECT_LT(meanDifference(reading->pixels[1], cv::imread(*dark.sourcePath)), 4);

    // Without a dark image the second light one is the pair's other half.
    dark.isLight = true;
    ASSERT_TRUE(generator.generate({ lightA, lightB, dark }, WallpaperMode::appearance, output, std::nullopt));
    const auto allLight = test::readHeic(output);
    ASSERT_TRUE(allLight);
    EXPECT_LT(meanDifference(allLight->pixels[1], cv::imread(*lightB.sourcePath)), 4);
}

TEST_F(HeicGeneratorTest, TweensAreBlendedAgainFromTheUpscaledKeyFrames)
{
    const auto upscaler = std::make_shared<test::TestUpscaler>(std::set { 2 });
    // The tween's own file is deliberately something else: it must not be used.
    const std::vector<WallpaperImage> images { test::frameImage(photo("k1.png", 64, 40, 1), 0),
        test::frameImage(photo("t.png", 64, 40, 9), 10, true), test::frameImage(photo("k2.png", 64, 40, 4), 40) };
    test::ProgressLog progress;
    ASSERT_TRUE(generator.generate(images, WallpaperMode::time, output, config(upscaler), progress.callback()));
    EXPECT_EQ(upscaler->passes, 2);

    const auto reading = test::readHeic(output);
    ASSERT_TRUE(reading);
    ASSERT_EQ(reading->imageCount, 3);
    // Timeline order survives the key-frames-first preparation.
    EXPECT_EQ(solarText(*reading).substr(0, 52), "{si:[{a:real(0),i:int(0),o:int(1),z:real(90)},{a:rea");
    EXPECT_NE(solarText(*reading).find("{a:real(10),i:int(1)"), std::string::npos);
    const auto upscaled = [&](const WallpaperImage& image) {
        cv::Mat larger;
        cv::resize(cv::imread(*image.sourcePath), larger, {}, 2, 2, cv::INTER_LINEAR);
        return larger;
    };
    EXPECT_EQ(reading->pixels[1].size(), cv::Size(128, 80));
    // Altitude 10 between 0 and 40: a quarter of the way.
    EXPECT_LT(meanDifference(reading->pixels[1], blendLinearLight(upscaled(images[0]), upscaled(images[2]), 0.25)), 4);

    // Two key frames of one tile each (a tile weighs eight frames' own work), one tween blended and
    // three frames coded: 22 steps of 100, counted once the key frames are planned.
    for (const auto& report : progress.reports) {
        if (report.total != 2200) {
            EXPECT_EQ(report.current, 0) << report.message;
        }
        EXPECT_LE(report.current, report.total) << report.message;
    }
    EXPECT_EQ(progress.reports.back().total, 2200);
    EXPECT_EQ(progress.messagesStartingWith("Regenerating tweens"),
        std::vector<std::string> { "Regenerating tweens (1/1)..." });
    EXPECT_FALSE(fs::exists(workFolder));
}

TEST_F(HeicGeneratorTest, KeyFramesOfDifferentSizesStillBlendTheirTweens)
{
    const auto upscaler = std::make_shared<test::TestUpscaler>(std::set { 2 });
    const std::vector<WallpaperImage> images { test::frameImage(photo("k1.png", 64, 40, 1), 0),
        test::frameImage(photo("t.png", 64, 40, 2), 5, true), test::frameImage(photo("k2.png", 80, 60, 3), 20) };
    const auto result = generator.generate(images, WallpaperMode::time, output, config(upscaler));
    ASSERT_TRUE(result) << result.error().description();
    const auto reading = test::readHeic(output);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->pixels[1].size(), cv::Size(128, 80));
}

TEST_F(HeicGeneratorTest, ConfigurationFailuresNameTheirCause)
{
    const auto upscaler = std::make_shared<test::TestUpscaler>();
    const auto tween = test::frameImage(photo("t.png", 32, 32, 1), 5, true);
    auto onlyTweens = generator.generate({ tween, tween }, WallpaperMode::time, output, config(upscaler));
    ASSERT_FALSE(onlyTweens);
    EXPECT_EQ(onlyTweens.error().description(), "Invalid configuration: No key frames found (only tweens)");
    EXPECT_FALSE(fs::exists(workFolder));

    EXPECT_EQ(generator.generate({}, WallpaperMode::time, output, std::nullopt).error().description(),
        "Invalid configuration: No images provided");
    EXPECT_EQ(generator.generate({ tween }, WallpaperMode::appearance, output, std::nullopt).error().description(),
        "Invalid configuration: Appearance mode requires at least 2 images");
    auto missing = test::frameImage(scratch.path / "gone.png", 0);
    std::vector<std::string> lines;
    {
        LogCapture capture([&](const std::string& line) { lines.push_back(line); });
        EXPECT_EQ(generator.generate({ missing }, WallpaperMode::time, output, std::nullopt).error().description(),
            "Failed to load image: " + *missing.sourcePath);
    }
    EXPECT_EQ(lines, std::vector<std::string> { "ERROR: Image file not found: " + *missing.sourcePath });
    EXPECT_FALSE(fs::exists(output));
}

TEST_F(HeicGeneratorTest, FailedOrCancelledRunsLeaveTheExistingFileAndNoWorkingFolder)
{
    test::writeBytes(output, "the previous wallpaper");
    const fs::path broken = scratch.path / "broken.png";
    test::writeBytes(broken, "not a picture at all");
    const std::vector<WallpaperImage> unreadable { test::frameImage(photo("a.png", 32, 32, 1), 0),
        test::frameImage(broken, 5) };
    const auto failed = generator.generate(unreadable, WallpaperMode::time, output, std::nullopt);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().description(), "Failed to load image: " + broken.string());

    const auto upscaler = std::make_shared<test::TestUpscaler>();
    upscaler->waitForStop = true;
    std::vector<WallpaperImage> images;
    for (int i = 0; i < 6; ++i)
        images.push_back(test::frameImage(photo("p" + std::to_string(i) + ".png", 32, 32, i), i * 1.0));
    std::stop_source stop;
    std::jthread canceller([&] {
        while (upscaler->passes < 3)
            std::this_thread::yield();
        stop.request_stop();
    });
    const auto cancelled
        = generator.generate(images, WallpaperMode::time, output, config(upscaler), {}, stop.get_token());
    ASSERT_FALSE(cancelled);
    EXPECT_TRUE(cancelled.error().isCancelled());
    EXPECT_EQ(upscaler->passes, 3) << "frames after the stop request must not start";

    EXPECT_EQ(test::readBytes(output), "the previous wallpaper");
    EXPECT_FALSE(fs::exists(workFolder));
    for (const auto& entry : fs::directory_iterator(scratch.path))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(HeicGeneratorTest, AFullDiskFailsTheExportAndKeepsTheOldWallpaper)
{
    const std::vector<WallpaperImage> images { test::frameImage(photo("a.png", 256, 256, 1), 0),
        test::frameImage(photo("b.png", 256, 256, 2), 90) };
    const auto expectFailedWrite = [&](const fs::path& target, const std::string& reason) {
        test::writeBytes(target, "the previous wallpaper");
        const auto written = generator.generate(images, WallpaperMode::time, target, std::nullopt);
        ASSERT_FALSE(written) << reason;
        EXPECT_EQ(written.error().description(), "Failed to write output file " + target.string() + ": " + reason);
        EXPECT_EQ(test::readBytes(target), "the previous wallpaper") << reason;
        for (const auto& entry : fs::directory_iterator(target.parent_path()))
            EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << reason << entry.path();
    };
    {
        // The container is larger than this, so the write stops part-way.
        const testing::FileSizeLimit limit(8 * 1024);
        expectFailedWrite(output, "File too large");
    }
    testing::SmallDisk disk(24 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    expectFailedWrite(disk.path() / "wallpaper.heic", "No space left on device");
}

TEST_F(HeicGeneratorTest, OddAndOversizedFramesAreStillWritten)
{
    const std::vector<WallpaperImage> images { test::frameImage(photo("odd.png", 101, 75, 1), 0),
        test::frameImage(photo("wide.png", 8194, 64, 2), 0) };
    std::vector<std::string> warnings;
    {
        LogCapture capture([&](const std::string& line) {
            if (line.rfind("⚠️ ", 0) == 0) warnings.push_back(line);
        });
        const auto result = generator.generate(images, WallpaperMode::time, output, std::nullopt);
        ASSERT_TRUE(result) << result.error().description();
    }
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("8194x64"), std::string::npos);
    const auto reading = test::readHeic(output);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->pixels[0].size(), cv::Size(100, 74));
    EXPECT_EQ(reading->pixels[1].size(), cv::Size(8194, 64));
}

} // namespace
} // namespace tl
