#include "ui/library/PlaybackController.h"

#include "UiTestSupport.h"

namespace tl::ui {
namespace {

using tl::testing::keyImage;

class PlaybackControllerTest : public tl::testing::UiStateTest {
protected:
    PlaybackControllerTest()
    {
        for (const char* name : { "a", "b", "c", "d", "e" })
            state.addImage(keyImage(name));
    }

    std::string selectedName() const
    {
        const auto image = state.selectedImage();
        return image ? image->fileName : "";
    }

    Observable<double> hour { 12.0 };
    PlaybackController playback { state, hour, ui.isTimelinePlaying };
};

TEST_F(PlaybackControllerTest, TheImageOfTheCurrentHourBecomesTheSelection)
{
    for (const auto& [h, name] : std::vector<std::pair<double, std::string>> {
             { 0, "a" }, { 24, "e" }, { 11.9, "c" }, { 3, "b" }, { 20.9, "d" } }) {
        hour = h;
        EXPECT_EQ(selectedName(), name) << "hour " << h;
    }
}

TEST_F(PlaybackControllerTest, PlaybackAdvancesByATenthAndStartsAgainAtMidnight)
{
    playback.jump(24);
    EXPECT_EQ(selectedName(), "e");
    playback.advancePlayback();
    EXPECT_DOUBLE_EQ(hour.get(), 0); // 24.1 is reset to 0, not 0.1
    EXPECT_EQ(selectedName(), "a");
    playback.advancePlayback();
    EXPECT_NEAR(hour.get(), 0.1, 1e-12);
}

TEST_F(PlaybackControllerTest, TheTimerFollowsThePlayingFlagAndJumpsStopIt)
{
    EXPECT_FALSE(playback.isTimerRunning());
    playback.togglePlaying();
    EXPECT_TRUE(ui.isTimelinePlaying.get());
    EXPECT_TRUE(playback.isTimerRunning());
    playback.jump(0);
    EXPECT_FALSE(ui.isTimelinePlaying.get());
    EXPECT_FALSE(playback.isTimerRunning());

    ui.isTimelinePlaying = true;
    EXPECT_TRUE(tl::testing::processEventsUntil([&] { return hour.get() > 0.25; }));
    ui.isTimelinePlaying = false;
    EXPECT_FALSE(playback.isTimerRunning());
}

TEST_F(PlaybackControllerTest, LeavingTheViewEndsPlayback)
{
    auto transient = std::make_unique<PlaybackController>(state, hour, ui.isTimelinePlaying);
    ui.isTimelinePlaying = true;
    transient.reset();
    EXPECT_FALSE(ui.isTimelinePlaying.get());
}

TEST_F(PlaybackControllerTest, WritingTheSameHourAgainLeavesTheSelectionAlone)
{
    hour = 3;
    ASSERT_EQ(selectedName(), "b");
    // A click elsewhere picks another image; the hour is written again unchanged.
    state.select(state.images.get()[4].id);
    hour = 3;
    EXPECT_EQ(selectedName(), "e");
    playback.jump(3);
    EXPECT_EQ(selectedName(), "e");
    // A real change still moves the selection.
    hour = 0;
    EXPECT_EQ(selectedName(), "a");
}

TEST_F(PlaybackControllerTest, AnEmptyTimelineSelectsNothing)
{
    state.select(std::nullopt);
    state.replaceImages({}, "Clear", true);
    hour = 3;
    EXPECT_TRUE(state.selectedImageIds.get().empty());
    EXPECT_FALSE(playback.currentImage());
}

} // namespace
} // namespace tl::ui
