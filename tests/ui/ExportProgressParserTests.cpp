#include "ui/export/ExportProgressParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tl::ui {
namespace {

using enum ExportFrameStatus;

// "K" a key frame, "t" a tween; every row starts pending.
std::vector<ExportFrameInfo> rows(const std::string& pattern)
{
    std::vector<ExportFrameInfo> frames;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        frames.push_back({ .id = std::to_string(i), .isKeyFrame = pattern[i] == 'K', .fileName = "f" });
    }
    return frames;
}

std::vector<ExportFrameStatus> statuses(const std::vector<ExportFrameInfo>& frames)
{
    std::vector<ExportFrameStatus> result;
    for (const auto& frame : frames)
        result.push_back(frame.status);
    return result;
}

TEST(ExportProgressParser, OptimisedPathMessagesMarkKeyFramesInOrder)
{
    auto frames = rows("KttKttKttKttK");
    frames[1].status = blending; // tweens are left as they are
    EXPECT_TRUE(applyExportMessage(frames, "Upscaling frame 3/5 (pass 1/2)"));
    EXPECT_EQ(statuses(frames),
        (std::vector { complete, blending, pending, complete, pending, pending, upscaling, pending, pending, pending,
            pending, pending, pending }));

    EXPECT_TRUE(applyExportMessage(frames, "Regenerating tweens (2/8)..."));
    EXPECT_EQ(statuses(frames),
        (std::vector { complete, blending, blending, complete, blending, blending, complete, blending, blending,
            complete, blending, blending, complete }));

    EXPECT_TRUE(applyExportMessage(frames, "Encoded image 13/13"));
    for (const auto status : statuses(frames))
        EXPECT_EQ(status, complete);
}

TEST(ExportProgressParser, StandardPathCountsFinishedFramesAsKeyOrdinals)
{
    auto frames = rows("KKKKKKKKK");
    EXPECT_TRUE(applyExportMessage(frames, "Preprocessed frame 2/9"));
    EXPECT_EQ(frames[0].status, complete);
    EXPECT_EQ(frames[1].status, upscaling);
    EXPECT_EQ(frames[2].status, pending);
    EXPECT_TRUE(applyExportMessage(frames, "Encoded image 1/9"));
    EXPECT_EQ(frames[8].status, complete) << "every row completes, whatever the counts";
}

TEST(ExportProgressParser, MessagesThatNameNoFrameChangeNothing)
{
    for (const char* message : { "Starting generation...", "Creating time-based wallpaper...",
             "Creating appearance-based wallpaper...", "Appearance wallpaper created", "Upscaling 4 key frames...",
             "Solar wallpaper created with 5 images", "Upscaling frame", "Preprocessed frame 0/5",
             "Upscaling frame x/5", "Preprocessed frame 99999999999999999999999/5", "encoded image 1/2" }) {
        auto frames = rows("KtK");
        EXPECT_FALSE(applyExportMessage(frames, message)) << message;
        EXPECT_EQ(statuses(frames), (std::vector { pending, pending, pending })) << message;
    }
}

TEST(ExportProgressParser, AnEmptiedFrameListStaysEmpty)
{
    std::vector<ExportFrameInfo> frames;
    EXPECT_FALSE(applyExportMessage(frames, "Encoded image 1/2"));
    EXPECT_TRUE(frames.empty());
}

} // namespace
} // namespace tl::ui
