#include "DesktopTestSupport.h"
#include "engine/desktop/PlasmaPackage.h"
#include "platform/ImageDecoding.h"
#include "support/TestImageFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tl {
namespace {

namespace fs = std::filesystem;
using namespace desktop;

std::vector<fs::path> filesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files.push_back(entry.path());
    return files;
}

int levelOf(const fs::path& file)
{
    const cv::Mat pixels = decodeImageFile(file);
    return pixels.empty() ? -1 : pixels.at<cv::Vec3b>(0, 0)[0];
}

TEST(PlasmaPackage, HasTheLayoutPlasmasPictureWallpaperReads)
{
    const test::ScratchFolder scratch;
    const WallpaperSource source { "My Scene", { 2, AppearancePair { 1, 0 } }, test::flatImages({ 30, 200 }) };
    const auto written = writePlasmaPackage(source, userPlasmaFolder(scratch.path, source.name));
    ASSERT_TRUE(written) << written.error().text;
    const fs::path package = scratch.path / "wallpapers" / "My Scene";
    EXPECT_EQ(written.value().package, package);
    EXPECT_TRUE(written.value().notes.empty());

    const auto metadata = nlohmann::json::parse(test::readBytes(package / "metadata.json"));
    EXPECT_EQ(metadata.at("KPlugin").at("Id"), "My Scene");
    EXPECT_EQ(metadata.at("KPlugin").at("Name"), "My Scene");
    EXPECT_EQ(filesIn(package / "contents" / "images"), std::vector { package / "contents/images/48x27.png" });
    EXPECT_EQ(
        filesIn(package / "contents" / "images_dark"), std::vector { package / "contents/images_dark/48x27.png" });
    EXPECT_EQ(levelOf(package / "contents/images/48x27.png"), 200);
    EXPECT_EQ(levelOf(package / "contents/images_dark/48x27.png"), 30);
}

TEST(PlasmaPackage, TimeModeOffersTheBrightestAndDarkestFramesAndSaysSo)
{
    const test::ScratchFolder scratch;
    const SolarSchedule schedule { { { 0, { -20, 0 } }, { 1, { 40, 180 } }, { 2, { 5, 90 } }, { 3, { -40, 10 } } } };
    const auto written = writePlasmaPackage(
        { "Day", { 5, schedule }, test::flatImages({ 40, 220, 90, 10, 255 }) }, scratch.path / "Day");
    ASSERT_TRUE(written) << written.error().text;
    // Image 5 is not in the schedule, so it is not a candidate even though it is the brightest.
    EXPECT_EQ(levelOf(scratch.path / "Day/contents/images/48x27.png"), 220);
    EXPECT_EQ(levelOf(scratch.path / "Day/contents/images_dark/48x27.png"), 10);
    ASSERT_EQ(written.value().notes.size(), 1u);
    EXPECT_NE(written.value().notes[0].find("brightest frame (2)"), std::string::npos);
    EXPECT_NE(written.value().notes[0].find("darkest (4)"), std::string::npos);
}

TEST(PlasmaPackage, ReplacesItsOwnEarlierPackageButNeverAFolderItDidNotWrite)
{
    const test::ScratchFolder scratch;
    fs::create_directories(scratch.path / "Scene");
    test::writeBytes(scratch.path / "Scene" / "keep.txt", "the user's");
    const WallpaperSource first { "Scene", { 2, AppearancePair { 0, 1 } }, test::flatImages({ 100, 20 }) };
    const auto beside = writePlasmaPackage(first, scratch.path / "Scene");
    ASSERT_TRUE(beside);
    EXPECT_EQ(beside.value().package, scratch.path / "Scene-2");
    EXPECT_EQ(test::readBytes(scratch.path / "Scene" / "keep.txt"), "the user's");

    const WallpaperSource larger { "Scene", { 2, AppearancePair { 0, 1 } },
        [](std::size_t) -> Result<cv::Mat, DesktopError> { return cv::Mat(10, 16, CV_8UC3, cv::Scalar::all(7)); } };
    const auto again = writePlasmaPackage(larger, scratch.path / "Scene-2");
    ASSERT_TRUE(again);
    EXPECT_EQ(again.value().package, scratch.path / "Scene-2");
    EXPECT_EQ(filesIn(scratch.path / "Scene-2/contents/images"),
        std::vector { scratch.path / "Scene-2/contents/images/16x10.png" });

    // A name that would climb out of the wallpapers folder stays inside it.
    EXPECT_EQ(userPlasmaFolder(scratch.path, "../../etc/x"), scratch.path / "wallpapers" / "-..-etc-x");
}

} // namespace
} // namespace tl
