#include "engine/desktop/GnomeBackground.h"
#include "engine/desktop/ProjectWallpaper.h"
#include "platform/Uuid.h"
#include "support/TestImageFiles.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <string>
#include <variant>

namespace tl::desktop {
namespace {

WallpaperImage flatImage(
    const std::filesystem::path& folder, const std::string& name, int level, std::optional<bool> isLight)
{
    const auto file = folder / (name + ".png");
    cv::imwrite(file.string(), cv::Mat(8, 8, CV_8UC3, cv::Scalar::all(level)));
    WallpaperImage image { Uuid::random(), file.filename().string() };
    image.sourcePath = file.string();
    image.isLight = isLight;
    return image;
}

// The desktop's pair is the export's: the first light image, then the first dark one, which a
// second light image never displaces.
TEST(ProjectWallpaper, AnAppearancePairIsTheFirstLightAndTheFirstDarkImage)
{
    const test::ScratchFolder scratch;
    const auto lightA = flatImage(scratch.path, "light-a", 200, std::nullopt);
    const auto lightB = flatImage(scratch.path, "light-b", 150, true);
    const auto dark = flatImage(scratch.path, "dark", 30, false);

    const auto pairOf = [&](const std::vector<WallpaperImage>& images) {
        auto source = projectWallpaper("Scene", images, WallpaperMode::appearance);
        EXPECT_TRUE(source);
        EXPECT_TRUE(std::holds_alternative<AppearancePair>(source.value().wallpaper.layout));
        EXPECT_EQ(source.value().wallpaper.imageCount, 2u);
        return std::pair(source.value().pixels(0).value().at<cv::Vec3b>(0, 0)[0],
            source.value().pixels(1).value().at<cv::Vec3b>(0, 0)[0]);
    };
    using Levels = std::pair<std::uint8_t, std::uint8_t>;
    EXPECT_EQ(pairOf({ dark, lightA, lightB }), Levels(200, 30));
    EXPECT_EQ(pairOf({ lightA, lightB, dark }), Levels(200, 30));
    auto alsoLight = dark;
    alsoLight.isLight = true;
    EXPECT_EQ(pairOf({ lightA, lightB, alsoLight }), Levels(200, 150));
}

// Frames made from one file (a still scene held for hours) write that picture once.
TEST(ProjectWallpaper, FramesThatShareOnePictureWriteItOnce)
{
    const test::ScratchFolder scratch;
    const auto still = flatImage(scratch.path, "still", 120, std::nullopt);
    const auto night = flatImage(scratch.path, "night", 10, std::nullopt);
    std::vector<WallpaperImage> images;
    for (int i = 0; i < 40; ++i) {
        WallpaperImage frame = i == 20 ? night : still;
        frame.altitude = -20.0 + i;
        frame.azimuth = 9.0 * i;
        images.push_back(frame);
    }
    const auto source = projectWallpaper("Still", images, WallpaperMode::time);
    ASSERT_TRUE(source) << source.error().text;
    EXPECT_EQ(source.value().wallpaper.imageCount, 2u);
    const auto written = writeGnomeWallpaper(
        source.value(), { { 52.37, 4.9 }, { 2026, 6, 21 }, TimeZone::utc() }, userGnomeFolders(scratch.path, "Still"));
    ASSERT_TRUE(written) << written.error().text;
    std::size_t pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path / "backgrounds" / "Still"))
        pictures += entry.path().extension() == ".png";
    EXPECT_EQ(pictures, 2u);
}

} // namespace
} // namespace tl::desktop
