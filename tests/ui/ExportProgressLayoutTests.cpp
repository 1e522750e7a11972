#include "ui/export/ExportProgressLayout.h"

#include <gtest/gtest.h>

#include <string>

namespace tl::ui {
namespace {

using enum ExportFrameStatus;

std::vector<ExportFrameInfo> rows(const std::string& pattern)
{
    std::vector<ExportFrameInfo> frames;
    for (const char kind : pattern)
        frames.push_back({ .id = {}, .isKeyFrame = kind == 'K', .fileName = {} });
    return frames;
}

// "K" for a key tile, a digit for a tween group of that many.
std::string shape(const std::vector<FrameGroup>& groups)
{
    std::string text;
    for (const auto& group : groups) {
        if (const auto* tweens = std::get_if<TweenGroup>(&group)) {
            text += std::to_string(tweens->tweens.size());
        } else {
            text += 'K';
        }
    }
    return text;
}

TEST(ExportProgressLayout, TweensBetweenKeyFramesFormOneGroupEach)
{
    EXPECT_EQ(shape(groupExportFrames(rows("tKttKKt"))), "1K2KK1");
    EXPECT_EQ(shape(groupExportFrames(rows("ttt"))), "3");
    EXPECT_EQ(shape(groupExportFrames(rows(""))), "");
}

TEST(ExportProgressLayout, KeyTilesShareTheSheetWidthWithinLimits)
{
    struct Case {
        std::string pattern;
        double cell;
        double marker;
    };
    for (const auto& c : { Case { "ttt", 80, 20 }, Case { "K", 80, 20 }, Case { std::string(10, 'K'), 44.8, 17.92 },
             Case { std::string(12, 'K'), 40, 16 } }) {
        const auto frames = rows(c.pattern);
        EXPECT_NEAR(keyCellSize(frames), c.cell, 1e-9) << c.pattern;
        EXPECT_NEAR(tweenMarkerSize(keyCellSize(frames)), c.marker, 1e-9) << c.pattern;
    }
}

TEST(ExportProgressLayout, ATweenGroupShowsWorkBeforeCompletion)
{
    const auto group = [](std::vector<ExportFrameStatus> states) {
        std::vector<ExportFrameInfo> tweens;
        for (const auto state : states)
            tweens.push_back({ .id = {}, .isKeyFrame = false, .fileName = {}, .status = state });
        return tweenGroupStatus(tweens);
    };
    EXPECT_EQ(group({ upscaling, complete, complete }), blending);
    EXPECT_EQ(group({ complete, complete }), complete);
    EXPECT_EQ(group({ complete, pending, complete }), pending);
    EXPECT_EQ(group({}), complete);
}

} // namespace
} // namespace tl::ui
