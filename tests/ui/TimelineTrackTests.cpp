#include "ui/library/TimelineTrack.h"

#include "support/AppStateFixture.h"

namespace tl::ui::timeline_track {
namespace {

using tl::testing::keyImage;
using tl::testing::tweenOf;

std::vector<WallpaperImage> keys(int count)
{
    std::vector<WallpaperImage> images;
    for (int i = 0; i < count; ++i)
        images.push_back(keyImage("k" + std::to_string(i)));
    return images;
}

TEST(TimelineTrack, HourMapsToAnEvenlySpreadPosition)
{
    struct Case {
        double hour;
        std::size_t count;
        std::size_t expected;
    };
    for (const auto& c : { Case { 0, 5, 0 }, Case { 24, 5, 4 }, Case { 12, 5, 2 }, Case { -3, 5, 0 }, Case { 30, 5, 4 },
             Case { 7, 1, 0 }, Case { 3, 5, 1 } /* 0.5 rounds away from zero */ }) {
        EXPECT_EQ(indexForHour(c.hour, c.count), c.expected) << c.hour << " of " << c.count;
    }
    EXPECT_FALSE(indexForHour(12, 0));
}

TEST(TimelineTrack, ThreeKeyImagesOnA560PointTrackTakeSlotsZeroFiveAndNine)
{
    auto sampled = sampledIndices(keys(3), 560);
    ASSERT_EQ(sampled.size(), 10u);
    EXPECT_EQ(sampled[0], 0u);
    EXPECT_EQ(sampled[5], 1u);
    EXPECT_EQ(sampled[9], 2u);
    EXPECT_EQ(sampled, (std::vector<std::size_t> { 0, 0, 0, 1, 1, 1, 1, 2, 2, 2 }));
}

TEST(TimelineTrack, EveryKeyImageKeepsItsOwnSlotWhenSlotsRunShort)
{
    auto images = keys(5);
    // Tweens after every key image; on a 112-point track there are only two width slots.
    std::vector<WallpaperImage> timeline;
    for (const auto& key : images) {
        timeline.push_back(key);
        timeline.push_back(tweenOf(key, key.fileName + "-t"));
    }
    const auto sampled = sampledIndices(timeline, 112);
    EXPECT_EQ(sampled, (std::vector<std::size_t> { 0, 2, 4, 6, 8 }));
}

TEST(TimelineTrack, KeyImagesLateInTheTimelineKeepTheirSlotsOnANarrowTrack)
{
    // Seven tweens, then three key images: their targets all crowd the last slot.
    const auto parent = keyImage("p");
    std::vector<WallpaperImage> timeline;
    for (int i = 0; i < 7; ++i)
        timeline.push_back(tweenOf(parent, "t" + std::to_string(i)));
    for (const auto& key : keys(3))
        timeline.push_back(key);

    EXPECT_EQ(sampledIndices(timeline, 120), (std::vector<std::size_t> { 7, 8, 9 })) << "two width slots, three keys";
    EXPECT_EQ(sampledIndices(timeline, 224), (std::vector<std::size_t> { 0, 7, 8, 9 }));
}

TEST(TimelineTrack, SmallTimelinesAndNarrowTracks)
{
    EXPECT_TRUE(sampledIndices({}, 500).empty());
    EXPECT_EQ(sampledIndices(keys(1), 500), (std::vector<std::size_t> { 0 }));
    auto oneKeyWithTweens = keys(1);
    oneKeyWithTweens.push_back(tweenOf(oneKeyWithTweens[0], "t1"));
    oneKeyWithTweens.push_back(tweenOf(oneKeyWithTweens[0], "t2"));
    EXPECT_EQ(sampledIndices(oneKeyWithTweens, 100), (std::vector<std::size_t> { 0 }));
}

TEST(TimelineTrack, PlayheadStaysFivePointsInsideAndScrubbingClamps)
{
    EXPECT_DOUBLE_EQ(playheadX(24, 560), 555);
    EXPECT_DOUBLE_EQ(playheadX(0, 560), 5);
    EXPECT_DOUBLE_EQ(playheadX(12, 560), 280);
    EXPECT_DOUBLE_EQ(hourAt(-40, 480), 0);
    EXPECT_DOUBLE_EQ(hourAt(900, 480), 24);
    EXPECT_DOUBLE_EQ(hourAt(120, 480), 6);
}

} // namespace
} // namespace tl::ui::timeline_track
