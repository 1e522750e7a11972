#include "ui/generation/CreateSheetFixture.h"

#include "app/Thumbnail.h"
#include "app/TimeOfDayTable.h"
#include "support/TestImageFiles.h"

#include <gtest/gtest.h>

namespace tl::ui {
namespace {

using testing::CreateSheetTest;

std::vector<double> altitudes(const std::vector<WallpaperImage>& images, bool tweens)
{
    std::vector<double> values;
    for (const auto& image : images)
        if (image.isTween == tweens) values.push_back(image.altitude.value_or(999));
    return values;
}

// Undo snapshots share the records' thumbnails, so a full-size frame held there would stay in
// memory once per key and tween.
TEST_F(CreateSheetTest, ServerRunHoldsOnlyPreviewSizedThumbnails)
{
    server.imageFor = [](const std::string&) {
        const cv::Mat pixels(700, 1200, CV_8UC3, cv::Scalar(40, 120, 200));
        std::vector<uchar> png;
        cv::imencode(".png", pixels, png);
        return std::string(png.begin(), png.end());
    };
    auto& sheet = makeModel();
    sheet.setPrompt("lake");
    sheet.setTweenCount(1);
    sheet.startGeneration();
    ASSERT_TRUE(finishRun());

    const auto& images = state.images.get();
    ASSERT_EQ(images.size(), 20u);
    for (const auto& image : images) {
        ASSERT_TRUE(image.thumbnail) << image.fileName;
        EXPECT_LE(std::max(image.thumbnail->width(), image.thumbnail->height()), thumbnailMaximumSide)
            << image.fileName;
    }
}

TEST_F(CreateSheetTest, ServerRunPublishesTheDayWithTweensAsOneUndoStep)
{
    state.setImages({ testing::keyImage("before.png", 9.0) }, WallpaperMode::time, false);
    endEvent();
    // The base image and the first relit phases answer last: publication still follows the table.
    server.proxyDelay = [](const std::string& prompt) {
        return prompt.find("night") != std::string::npos ? std::chrono::milliseconds(150)
                                                         : std::chrono::milliseconds(0);
    };
    auto& sheet = makeModel();
    sheet.setPrompt("  alpine lake ");
    sheet.setTweenCount(1);
    std::vector<double> progress;
    const auto watch = sheet.observe([&] { progress.push_back(sheet.status().progress); });
    sheet.startGeneration();
    EXPECT_TRUE(sheet.status().isGenerating);
    EXPECT_EQ(sheet.status().progressMessage, "Preparing...");
    ASSERT_TRUE(finishRun());

    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(sheet.status().errorMessage);
    EXPECT_EQ(sheet.status().progressMessage, "Tweening complete!");
    EXPECT_EQ(state.lastMagicPrompt.get(), "alpine lake");
    EXPECT_FALSE(state.hasOpenBatch());
    for (const double value : progress)
        EXPECT_LE(value, 1.0);

    const auto& images = state.images.get();
    ASSERT_EQ(images.size(), 20u);
    auto keys = altitudes(images, false);
    std::ranges::sort(keys);
    std::vector<double> expected;
    for (std::size_t row = 0; row < 10; ++row)
        expected.push_back(kTimeOfDayTable[row].altitude);
    std::ranges::sort(expected);
    EXPECT_EQ(keys, expected);
    // Every tween follows its own key and lives in that key's folder.
    for (const auto& image : images) {
        if (!image.isTween) continue;
        const auto parent = indexOfImage(images, *image.parentId);
        ASSERT_TRUE(parent);
        const auto& key = images[*parent];
        EXPECT_EQ(image.fileName, key.fileName.substr(0, key.fileName.size() - 4) + "_png_tween_tween_1.png");
        EXPECT_EQ(std::filesystem::path(*image.sourcePath).parent_path().filename(), key.id.text());
    }
    const auto night = std::ranges::find(images, std::string("phase_1.png"), &WallpaperImage::fileName);
    ASSERT_NE(night, images.end());
    const auto folderOfRun = std::filesystem::path(*night->sourcePath).parent_path();
    EXPECT_EQ(folderOfRun.parent_path().filename(), "TidelumineGenerated");
    EXPECT_TRUE(std::filesystem::exists(folderOfRun / "original.png"));
    EXPECT_TRUE(std::filesystem::exists(folderOfRun / "phase_10.png"));
    EXPECT_EQ(statusOf(sheet.status().phaseStatus, "civil_dusk"), PhaseStatus::pending);
    EXPECT_EQ(statusOf(sheet.status().phaseStatus, "sunset"), PhaseStatus::completed);
    EXPECT_TRUE(log.contains("🎨 Starting client-side generation: 'alpine lake', model: "
                             "openrouter/google/gemini-3-pro-image-preview, hasReference: false"));

    endEvent();
    ASSERT_TRUE(undo->canUndo());
    EXPECT_EQ(undo->undoActionName(), "Generate Timeline");
    undo->undo();
    EXPECT_EQ(timeline(), std::vector<std::string> { "before.png" });
}

TEST_F(CreateSheetTest, ServerFailureBeforePublicationPutsTheProjectBackWithoutAStep)
{
    const auto before = seedSavedProject();
    server.promptsStatus = 500;
    server.proxyResponder = [](const nlohmann::json&, httplib::Response& reply) { reply.status = 500; };
    auto& sheet = makeModel();
    sheet.setPrompt("lake");
    sheet.startGeneration();
    EXPECT_TRUE(state.images.get().empty()) << "cleared while the run works";
    ASSERT_TRUE(finishRun());
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(sheet.status().errorMessage);
    EXPECT_EQ(sheet.status().progressMessage, "Failed");
    expectProjectAsBefore(before);
}

TEST_F(CreateSheetTest, ServerFramesThatDoNotDecodeFailTheRunUnpublished)
{
    server.imageFor = [](const std::string&) { return std::string("not a picture"); };
    auto& sheet = makeModel();
    sheet.setPrompt("lake");
    sheet.startGeneration();
    ASSERT_TRUE(finishRun());
    EXPECT_EQ(sheet.status().errorMessage, "Failed to decode image data");
    EXPECT_TRUE(state.images.get().empty());
    EXPECT_FALSE(state.hasOpenBatch());
}

TEST_F(CreateSheetTest, CancelIsCancelledNeverAFailureAndPutsTheProjectBack)
{
    const auto before = seedSavedProject();
    server.holdProxy = [](const std::string&) { return true; };
    auto& sheet = makeModel();
    sheet.setPrompt("lake");
    sheet.startGeneration();
    ASSERT_TRUE(testing::processEventsUntil([&] { return !server.proxyCalls().empty(); }));
    sheet.cancelOrClose();
    EXPECT_EQ(sheet.status().progressMessage, "Cancelling...");
    EXPECT_TRUE(sheet.status().isGenerating);
    EXPECT_EQ(closed, 0);
    ASSERT_TRUE(finishRun());
    EXPECT_EQ(sheet.status().progressMessage, "Cancelled");
    EXPECT_FALSE(sheet.status().errorMessage);
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(log.contains("⚠️  Generation cancelled by user"));
    expectProjectAsBefore(before);
}

TEST_F(CreateSheetTest, ClosingTheSheetMidRunStopsItAndClosesItsBatch)
{
    server.holdProxy = [](const std::string&) { return true; };
    auto& sheet = makeModel();
    sheet.setPrompt("lake");
    sheet.startGeneration();
    ASSERT_TRUE(state.hasOpenBatch());
    ASSERT_TRUE(testing::processEventsUntil([&] { return !server.proxyCalls().empty(); }));
    model.reset();
    EXPECT_FALSE(state.hasOpenBatch());
    endEvent();
    // The next change is a step of its own.
    state.addImage(testing::keyImage("after.png"));
    endEvent();
    EXPECT_NE(undo->undoActionName(), "Generate Timeline");
}

TEST_F(CreateSheetTest, UnusableStartingImageFailsBeforeAnythingIsSent)
{
    auto& sheet = makeModel();
    sheet.acceptDroppedImage("not a picture", std::nullopt);
    sheet.startGeneration();
    ASSERT_TRUE(finishRun());
    EXPECT_EQ(sheet.status().errorMessage, "Failed to load starting image.");
    EXPECT_EQ(server.tokenRequests(), 0);
    EXPECT_TRUE(server.proxyCalls().empty());
}

TEST_F(CreateSheetTest, ServerRunWithoutTweensClosesRightAfterPublication)
{
    auto& sheet = makeModel();
    sheet.acceptDroppedImage(testing::pngFor("start"), std::nullopt);
    sheet.setTweenCount(0);
    sheet.startGeneration();
    ASSERT_TRUE(finishRun());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(sheet.status().progressMessage, "Complete!");
    EXPECT_EQ(state.images.get().size(), 10u);
    EXPECT_TRUE(log.contains("🎨 Starting client-side generation: '', model: "
                             "openrouter/google/gemini-3-pro-image-preview, hasReference: true"));
}

} // namespace
} // namespace tl::ui
