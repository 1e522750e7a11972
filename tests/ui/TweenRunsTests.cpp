#include "ScriptedTweenEngine.h"
#include "UiTestSupport.h"

#include "ui/library/TweenRuns.h"

#include <gtest/gtest.h>

namespace tl::testing {
namespace {

namespace fs = std::filesystem;

class TweenRunsTest : public ::testing::Test {
protected:
    WallpaperImage keyWithFile(const std::string& name, double hour)
    {
        return keyImageWithFile(folder.path(), name, hour);
    }

    TemporaryFolder folder;
    ScriptedTweenEngine engine;
};

TEST_F(TweenRunsTest, BaseNamesReplaceEveryDot)
{
    EXPECT_EQ(ui::manualTweenBaseName("sunrise.v2.png"), "sunrise_v2_png");
    EXPECT_EQ(ui::autoTweenBaseName("a.png", "b.png"), "a_png_to_b_png");
    const auto run = ui::newTweenRunFolder();
    EXPECT_EQ(run.parent_path().filename(), "TidelumineTweens");
    EXPECT_TRUE(Uuid::parse(run.filename().string()).has_value());
    EXPECT_NE(run, ui::newTweenRunFolder());
}

TEST_F(TweenRunsTest, ManualRunTakesTheBarFromZeroToOneTwiceAndGivesRecordsInOrder)
{
    const auto a = keyWithFile("a.png", 22);
    const auto b = keyWithFile("b.png", 2);
    std::vector<double> fractions;
    std::size_t previews = 0;
    const ui::ManualTweenReports reports {
        .progress = [&](double f) { fractions.push_back(f); },
        .previews = [&](std::vector<std::shared_ptr<const Image>> p) { previews = p.size(); },
    };
    const ui::ManualTweenJob job {
        .source = a, .target = b, .count = 3, .mode = WallpaperMode::time, .folder = folder.path() / "run"
    };
    auto records = ui::runManualTweens(engine, job, reports, {});
    ASSERT_TRUE(records);
    EXPECT_EQ(fractions, (std::vector<double> { 1.0 / 3, 2.0 / 3, 1.0, 1.0 / 3, 2.0 / 3, 1.0 }));
    EXPECT_EQ(previews, 3u);
    ASSERT_EQ(records.value().size(), 3u);
    EXPECT_EQ(engine.fileCalls().at(0).baseName, "a_png");
    for (std::size_t k = 0; k < 3; ++k) {
        const auto& record = records.value()[k];
        EXPECT_TRUE(record.isTween);
        EXPECT_EQ(record.parentId, a.id);
        EXPECT_EQ(record.fileName, "a_png_tween_" + std::to_string(k + 1) + ".png");
        EXPECT_TRUE(record.thumbnail);
    }
    // Across midnight: 22 to 2 in quarters.
    EXPECT_DOUBLE_EQ(*records.value()[0].timeOfDay, 23.0);
    EXPECT_DOUBLE_EQ(*records.value()[1].timeOfDay, 0.0);
}

TEST_F(TweenRunsTest, AFileThatDoesNotDecodeStillGivesARecordWithoutThumbnail)
{
    engine.writeNonPictures = true;
    const ui::ManualTweenJob job { .source = keyWithFile("a.png", 6),
        .target = keyWithFile("b.png", 8),
        .count = 1,
        .mode = WallpaperMode::time,
        .folder = folder.path() / "run" };
    auto records = ui::runManualTweens(engine, job, {}, {});
    ASSERT_TRUE(records);
    ASSERT_EQ(records.value().size(), 1u);
    EXPECT_FALSE(records.value()[0].thumbnail);
    EXPECT_TRUE(records.value()[0].sourcePath.has_value());
}

TEST_F(TweenRunsTest, CountsBelowOneFailInTheEngine)
{
    const ui::ManualTweenJob job { .source = keyWithFile("a.png", 6),
        .target = keyWithFile("b.png", 8),
        .count = 0,
        .mode = WallpaperMode::time,
        .folder = folder.path() / "run" };
    const auto records = ui::runManualTweens(engine, job, {}, {});
    ASSERT_FALSE(records);
    ASSERT_NE(records.error().as<TweenGeneratorError>(), nullptr);
    EXPECT_EQ(*records.error().as<TweenGeneratorError>(), TweenGeneratorError::invalidImageCount);
}

TEST_F(TweenRunsTest, AutomaticRunPairsEveryKeyWithTheNextAroundTheRing)
{
    const auto a = keyWithFile("a.png", 6);
    const auto b = keyWithFile("b.png", 12);
    const auto c = keyWithFile("c.png", 18);
    std::vector<double> fractions;
    const ui::AutoTweenJob job {
        .keys = { a, b, c }, .count = 2, .mode = WallpaperMode::time, .root = folder.path() / "root"
    };
    auto timeline = ui::runAutoTweens(engine, job, [&](double f) { fractions.push_back(f); }, {});
    ASSERT_TRUE(timeline);
    EXPECT_EQ(fileNames(timeline.value()),
        (std::vector<std::string> { "a.png", "a_png_to_b_png_tween_1.png", "a_png_to_b_png_tween_2.png", "b.png",
            "b_png_to_c_png_tween_1.png", "b_png_to_c_png_tween_2.png", "c.png", "c_png_to_a_png_tween_1.png",
            "c_png_to_a_png_tween_2.png" }));
    const auto calls = engine.fileCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].target, *a.sourcePath);
    EXPECT_EQ(calls[1].folder, folder.path() / "root" / b.id.text());
    EXPECT_EQ(timeline.value()[4].parentId, b.id);
    // Within a pair the bar counts frames; after each pair it stands at the pair's end: 4/6 after two.
    EXPECT_DOUBLE_EQ(fractions.at(5), 4.0 / 6);
    EXPECT_DOUBLE_EQ(fractions.back(), 1.0);
}

TEST_F(TweenRunsTest, AutomaticRunEndsAtTheFirstFailingPair)
{
    auto b = keyWithFile("b.png", 12);
    engine.failingSource = *b.sourcePath;
    const ui::AutoTweenJob job { .keys = { keyWithFile("a.png", 6), b, keyWithFile("c.png", 18) },
        .count = 1,
        .mode = WallpaperMode::time,
        .root = folder.path() / "root" };
    EXPECT_FALSE(ui::runAutoTweens(engine, job, {}, {}));
    EXPECT_EQ(engine.fileCalls().size(), 2u);

    auto missing = keyWithFile("d.png", 3);
    missing.sourcePath = (folder.path() / "gone.png").string();
    const ui::AutoTweenJob gone { .keys = { keyWithFile("e.png", 6), missing },
        .count = 1,
        .mode = WallpaperMode::time,
        .root = folder.path() / "root" };
    const auto result = ui::runAutoTweens(engine, gone, {}, {});
    ASSERT_FALSE(result);
    ASSERT_NE(result.error().as<TweenGeneratorError>(), nullptr);
    EXPECT_EQ(*result.error().as<TweenGeneratorError>(), TweenGeneratorError::imageLoadFailed);
}

} // namespace
} // namespace tl::testing
