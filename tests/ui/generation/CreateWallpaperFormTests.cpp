#include "ui/generation/CreateSheetFixture.h"

#include "support/TestImageFiles.h"

#include <gtest/gtest.h>

namespace tl::ui {
namespace {

using namespace create_sheet;
using testing::CreateSheetTest;

TEST(CreateWallpaperTables, SizesAspectRatiosAndPresets)
{
    EXPECT_EQ(aspectRatioFor("1024x640"), "16:10");
    EXPECT_EQ(aspectRatioFor("1536x1024"), "3:2");
    EXPECT_EQ(aspectRatioFor("800x600"), "16:9");
    EXPECT_EQ(presetForTweenCount(2), SmoothnessPreset::subtle);
    EXPECT_EQ(presetForTweenCount(6), SmoothnessPreset::cinematic);
    EXPECT_EQ(presetForTweenCount(5), SmoothnessPreset::natural);
    EXPECT_EQ(appendedMood(" \n\t", "Warm golden glow"), "Warm golden glow");
    EXPECT_EQ(appendedMood("lake  \n", "Warm golden glow"), "lake, Warm golden glow");
}

TEST_F(CreateSheetTest, RestoresRememberedSettingsWithinTheStepperRange)
{
    auto& fresh = makeModel();
    EXPECT_EQ(fresh.form().prompt, "");
    EXPECT_EQ(fresh.form().size, "1024x576");
    EXPECT_EQ(fresh.form().tweenCount, 3);
    EXPECT_EQ(fresh.form().smoothness, SmoothnessPreset::natural);

    state.lastMagicTweenCount = 6;
    EXPECT_EQ(makeModel().form().smoothness, SmoothnessPreset::cinematic);
    state.lastMagicTweenCount = 5;
    EXPECT_EQ(makeModel().form().smoothness, SmoothnessPreset::natural);
    EXPECT_EQ(model->form().tweenCount, 5);
    // A project file may carry a count the stepper cannot show.
    state.lastMagicTweenCount = 40;
    EXPECT_EQ(makeModel().form().tweenCount, 12);
    state.lastMagicTweenCount = -3;
    EXPECT_EQ(makeModel().form().tweenCount, 0);
}

TEST_F(CreateSheetTest, SmoothnessDrivesTheCountButNotTheOtherWay)
{
    auto& sheet = makeModel();
    sheet.setTweenCount(9);
    sheet.setSmoothness(SmoothnessPreset::subtle);
    EXPECT_EQ(sheet.form().tweenCount, 2);
    sheet.setTweenCount(7);
    EXPECT_EQ(sheet.form().smoothness, SmoothnessPreset::subtle);
    sheet.setTweenCount(13);
    EXPECT_EQ(sheet.form().tweenCount, 12);
    sheet.setTweenCount(-1);
    EXPECT_EQ(sheet.form().tweenCount, 0);
}

TEST_F(CreateSheetTest, RememberedFileNameIsNoStartingImage)
{
    state.lastMagicStartingImageFileName = std::string("beach.png");
    auto& sheet = makeModel();
    ASSERT_TRUE(sheet.form().startingImageURL);
    EXPECT_EQ(*sheet.form().startingImageURL, "beach.png");
    EXPECT_FALSE(sheet.form().startingImageData);
    EXPECT_FALSE(sheet.canGenerate());
    EXPECT_TRUE(sheet.previewImage().isNull());
}

TEST_F(CreateSheetTest, StartingImageChoiceDropAndClear)
{
    auto& sheet = makeModel();
    chosenFile = folder.path() / "missing.png";
    sheet.chooseStartingImage();
    EXPECT_EQ(sheet.status().errorMessage, "Failed to load starting image.");
    EXPECT_FALSE(sheet.form().startingImageData);
    sheet.dismissError();

    chosenFile = folder.path() / "start.png";
    test::writeBytes(*chosenFile, testing::pngFor("start"));
    sheet.chooseStartingImage();
    EXPECT_EQ(sheet.form().startingImageData, testing::pngFor("start"));
    EXPECT_EQ(state.lastMagicStartingImageFileName.get(), "start.png");
    EXPECT_FALSE(sheet.previewImage().isNull());

    sheet.acceptDroppedImage("bytes", std::nullopt);
    EXPECT_EQ(state.lastMagicStartingImageFileName.get(), "start.png");
    EXPECT_FALSE(sheet.form().startingImageURL);
    // Undecodable data is kept but shows the placeholder.
    EXPECT_TRUE(sheet.previewImage().isNull());

    sheet.clearStartingImage();
    EXPECT_FALSE(sheet.form().startingImageData);
    EXPECT_TRUE(sheet.previewImage().isNull());
    EXPECT_EQ(state.lastMagicStartingImageFileName.get(), "");
}

TEST_F(CreateSheetTest, CreateIsEnabledByPromptOrImageAndAKeyOutsideTheServer)
{
    auto& sheet = makeModel();
    sheet.setPrompt("  \n ");
    EXPECT_FALSE(sheet.canGenerate());
    sheet.acceptDroppedImage(testing::pngFor("x"), std::nullopt);
    EXPECT_TRUE(sheet.canGenerate());
    // The mode only changes the form; the chosen image still counts.
    sheet.setMode(GenerationMode::generate);
    EXPECT_TRUE(sheet.canGenerate());
    EXPECT_EQ(provider.configuredQuestions.load(), 0);

    provider.configured = false;
    auto& direct = makeModel("openai/gpt-image-1");
    direct.setPrompt("lake");
    EXPECT_FALSE(direct.canGenerate());
    EXPECT_TRUE(direct.showsMissingKeyWarning());
    provider.configured = true;
    EXPECT_TRUE(direct.canGenerate());
    EXPECT_FALSE(makeModel("   ").canGenerate());
}

TEST_F(CreateSheetTest, StartWithNothingToGenerateChangesNothing)
{
    auto& sheet = makeModel();
    sheet.setPrompt("   ");
    sheet.startGeneration();
    EXPECT_FALSE(sheet.status().isGenerating);
    EXPECT_EQ(sheet.status().progressMessage, "");
    EXPECT_FALSE(state.hasOpenBatch());
}

TEST_F(CreateSheetTest, IdleCloseClosesAndMoodChipsAppend)
{
    auto& sheet = makeModel();
    sheet.setPrompt("lake   ");
    sheet.appendMoodSuggestion(moodSuggestions[1]);
    EXPECT_EQ(sheet.form().prompt, "lake, Warm golden glow");
    sheet.cancelOrClose();
    EXPECT_EQ(closed, 1);
}

} // namespace
} // namespace tl::ui
