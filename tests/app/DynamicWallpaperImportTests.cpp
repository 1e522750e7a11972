// Opening a dynamic HEIC as a new project's timeline.

#include "app/DynamicWallpaperImport.h"
#include "engine/HeicGenerator.h"

#include "support/DynamicHeicFiles.h"
#include "support/TestImageFiles.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

namespace tl {
namespace {

namespace fs = std::filesystem;

class DynamicWallpaperImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::canEncodeHeic()) GTEST_SKIP() << "no HEVC encoder";
        fs::create_directories(frames);
    }

    static cv::Mat picture(int seed)
    {
        cv::Mat bgr(48, 64, CV_8UC3);
        cv::randu(bgr, cv::Scalar::all(seed * 40), cv::Scalar::all(seed * 40 + 60));
        cv::GaussianBlur(bgr, bgr, { 5, 5 }, 0);
        return bgr;
    }

    test::ScratchFolder scratch;
    const fs::path heic = scratch.path / "Dunes.heic";
    const fs::path frames = scratch.path / "frames";
};

TEST_F(DynamicWallpaperImportTest, ClockTimesBecomeTheSunsPlaceOnTheSpringEquinox)
{
    const std::vector<cv::Mat> pictures { picture(0), picture(1), picture(2), picture(3) };
    ASSERT_TRUE(test::writeDynamicHeic(pictures, heic,
        test::desktopElementXmp("h24", test::timeOfDayRecord({ { 0, 0.25 }, { 1, 0.5 }, { 2, 0.75 }, { 3, 0.0 } }))));

    const ClockPlace place { { 52.37, 0.0 }, TimeZone::utc() };
    const auto imported = importDynamicWallpaper(heic, frames, place);
    ASSERT_TRUE(imported) << imported.error().message;
    const auto& images = imported.value().images;
    ASSERT_EQ(images.size(), 4u);
    EXPECT_EQ(imported.value().mode, WallpaperMode::time);
    // At the equinox the sun rises in the east at six, culminates in the south at 90° minus the
    // latitude at noon, sets in the west at six and stands lowest at midnight (give or take the few
    // minutes the equation of time moves them by in March).
    EXPECT_NEAR(*images[0].altitude, 0, 1.5);
    EXPECT_NEAR(*images[0].azimuth, 90, 3);
    EXPECT_NEAR(*images[1].altitude, 90 - 52.37, 0.5);
    EXPECT_NEAR(*images[1].azimuth, 180, 3);
    EXPECT_NEAR(*images[2].altitude, 0, 1.5);
    EXPECT_NEAR(*images[2].azimuth, 270, 3);
    EXPECT_NEAR(*images[3].altitude, -(90 - 52.37), 0.5);
    ASSERT_TRUE(imported.value().notice);
    EXPECT_NE(imported.value().notice->find("52.37° N, 0.00° E on the spring equinox"), std::string::npos);
    for (std::size_t i = 0; i < images.size(); ++i) {
        EXPECT_EQ(images[i].fileName, "Dunes-0" + std::to_string(i + 1) + ".png");
        const cv::Mat written = cv::imread(*images[i].sourcePath);
        EXPECT_LT(cv::norm(cv::mean(written) - cv::mean(pictures[i])), 1.5) << "frame " << i;
    }

    // With no known place the clock is read at the place the timeline's hours come from, so the
    // frames sort by the hours the file gives.
    const auto unplaced = importDynamicWallpaper(heic, frames, std::nullopt);
    ASSERT_TRUE(unplaced);
    EXPECT_NEAR(*unplaced.value().images[1].altitude, 50, 0.5);
    EXPECT_NE(unplaced.value().notice->find("(no location is known)"), std::string::npos);
}

TEST_F(DynamicWallpaperImportTest, ExportedProjectsOpenWithTheirPositionsAndRoles)
{
    std::vector<WallpaperImage> timeline;
    for (int i = 0; i < 3; ++i) {
        const fs::path file = scratch.path / ("key" + std::to_string(i) + ".png");
        ASSERT_TRUE(cv::imwrite(file.string(), picture(i)));
        WallpaperImage image { Uuid::random(), file.filename().string() };
        image.altitude = -20.123456789 + i * 30.5;
        image.azimuth = 75.000000123 + i * 100;
        image.sourcePath = file.string();
        timeline.push_back(image);
    }
    ASSERT_TRUE(HeicGenerator().generate(timeline, WallpaperMode::time, heic, std::nullopt));
    const auto solar = importDynamicWallpaper(heic, frames, std::nullopt);
    ASSERT_TRUE(solar);
    EXPECT_FALSE(solar.value().notice);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(*solar.value().images[i].altitude, *timeline[i].altitude, 1e-6);
        EXPECT_NEAR(*solar.value().images[i].azimuth, *timeline[i].azimuth, 1e-6);
    }

    timeline.resize(2);
    timeline[0].isLight = false;
    timeline[1].isLight = true;
    ASSERT_TRUE(HeicGenerator().generate(timeline, WallpaperMode::appearance, heic, std::nullopt));
    const auto appearance = importDynamicWallpaper(heic, frames, std::nullopt);
    ASSERT_TRUE(appearance);
    EXPECT_EQ(appearance.value().mode, WallpaperMode::appearance);
    EXPECT_EQ(appearance.value().images[0].isLight, true);
    EXPECT_EQ(appearance.value().images[1].isLight, false);
}

TEST_F(DynamicWallpaperImportTest, FilesWithoutWallpaperDataOpenAsPlainFramesAndDamagedOnesAreRefused)
{
    ASSERT_TRUE(test::writeDynamicHeic({ picture(0), picture(1) }, heic, std::nullopt));
    const auto plain = importDynamicWallpaper(heic, frames, std::nullopt);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain.value().images.size(), 2u);
    EXPECT_FALSE(plain.value().images[0].altitude);
    EXPECT_EQ(plain.value().notice,
        "This file has no dynamic-wallpaper information, so its images were opened as plain frames.");

    ASSERT_TRUE(test::writeDynamicHeic({ picture(0) }, heic, test::desktopElementXmp("solar", "AAAA")));
    const auto damaged = importDynamicWallpaper(heic, frames, std::nullopt);
    ASSERT_FALSE(damaged);
    EXPECT_EQ(damaged.error().message, "The file's wallpaper metadata is damaged, so the file was not opened.");
}

} // namespace
} // namespace tl
