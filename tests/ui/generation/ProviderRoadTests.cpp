#include "ui/generation/CreateSheetFixture.h"

#include "app/TimeOfDayTable.h"
#include "ui/generation/ProviderRoad.h"
#include "ui/generation/SheetTweenPass.h"

#include <gtest/gtest.h>

namespace tl::ui {
namespace {

using namespace std::chrono_literals;
using testing::CreateSheetTest;

constexpr auto providerModel = "gemini/gemini-2.5-flash-image";

TEST(ProviderRoadTexts, NumbersPromptsAndNames)
{
    EXPECT_EQ(degreesText(5), "5.0");
    EXPECT_EQ(degreesText(-0.8), "-0.8");
    EXPECT_EQ(degreesText(270), "270.0");
    EXPECT_EQ(degreesText(-15), "-15.0");
    EXPECT_EQ(relightPrompt("", "Golden AM", 5, 90),
        "Using the reference image above, relight the exact same scene for Golden AM.\nSun altitude: 5.0°, "
        "azimuth: 90.0°.\nKeep composition and all objects identical. Only lighting and allowed sky/celestial "
        "changes may vary.");
    EXPECT_EQ(tweenBaseName("phase_3.png"), "phase_3_png_tween");
    EXPECT_EQ(pngData("not a picture"), "not a picture");
    EXPECT_EQ(pngData(testing::pngFor("a")).substr(1, 3), "PNG");
}

TEST(ProviderRoadTexts, RunFoldersAreNewAndStayUnderTheStore)
{
    const std::filesystem::path data = "/data";
    const auto first = providerRunFolder(data, std::string("KEY-1"));
    const auto second = providerRunFolder(data, std::string("KEY-1"));
    EXPECT_NE(first, second);
    EXPECT_EQ(first.parent_path(), data / "Tidelumine" / "Generations" / "KEY-1");
    for (const std::string& key : std::vector<std::string> { "../../etc", "a/b", "..", "", std::string(200, 'k') })
        EXPECT_EQ(providerRunFolder(data, key).parent_path(), data / "Tidelumine" / "Generations") << key;
    EXPECT_EQ(providerRunFolder(data, std::nullopt).parent_path(), data / "Tidelumine" / "Generations");
}

TEST_F(CreateSheetTest, ProviderRunKeepsThreeInFlightAndPublishesInTableOrder)
{
    // Earlier rows take longer, so answers arrive out of table order.
    provider.delay = [](const std::string& prompt) {
        for (std::size_t row = 1; row < kTimeOfDayTable.size(); ++row)
            if (prompt.find("scene for " + std::string(kTimeOfDayTable[row].label) + ".") != std::string::npos)
                return std::chrono::milliseconds(20 * static_cast<int>(kTimeOfDayTable.size() - row));
        return 0ms;
    };
    state.currentGenerationIdempotencyKey = std::string("RUN-KEY");
    auto& sheet = makeModel(providerModel);
    sheet.setPrompt("lake");
    sheet.setSize("1024x640");
    sheet.setTweenCount(1);
    std::vector<std::size_t> publishedCounts;
    const auto watch = state.images.observe([&] { publishedCounts.push_back(state.images.get().size()); });
    sheet.startGeneration();
    ASSERT_TRUE(finishRun());

    EXPECT_EQ(closed, 1);
    EXPECT_EQ(sheet.status().progressMessage, "Generation complete!");
    EXPECT_EQ(provider.largestInFlight, 3);
    // The timeline grew one key frame at a time before the tweens came.
    for (std::size_t count = 1; count <= 11; ++count)
        EXPECT_NE(std::ranges::find(publishedCounts, count), publishedCounts.end()) << count;
    EXPECT_EQ(state.images.get().size(), 22u);
    EXPECT_FALSE(state.hasOpenBatch());

    const auto calls = provider.callsSoFar();
    ASSERT_EQ(calls.size(), 11u);
    EXPECT_EQ(calls[0].prompt.substr(0, 27), "lake\nTime of day: Night.\nTh");
    EXPECT_FALSE(calls[0].inputImage);
    EXPECT_EQ(calls[0].aspectRatio, "16:10");
    EXPECT_EQ(calls[0].size, "1024x640");
    for (std::size_t i = 1; i < calls.size(); ++i) {
        EXPECT_TRUE(calls[i].prompt.starts_with("Using the reference image above")) << calls[i].prompt;
        EXPECT_EQ(calls[i].systemPrompt, std::string(create_sheet::consistencySystemPrompt));
        EXPECT_EQ(calls[i].inputImage, calls[1].inputImage);
    }
    // Requests start in table order: the first three relights are rows 1 to 3, in whatever order they came in.
    std::vector<std::string> firstThree;
    for (std::size_t i = 1; i <= 3; ++i)
        for (std::size_t row = 1; row <= 3; ++row)
            if (calls[i].prompt.find("scene for " + std::string(kTimeOfDayTable[row].label) + ".") != std::string::npos)
                firstThree.emplace_back(kTimeOfDayTable[row].id);
    std::ranges::sort(firstThree);
    EXPECT_EQ(firstThree, (std::vector<std::string> { "astronomical", "civil", "nautical" }));

    const auto& base = state.images.get();
    const auto night = std::ranges::find(base, std::string("generated_night.png"), &WallpaperImage::fileName);
    ASSERT_NE(night, base.end());
    EXPECT_EQ(std::filesystem::path(*night->sourcePath).parent_path().parent_path(),
        *dataFolder / "Tidelumine" / "Generations" / "RUN-KEY");

    endEvent();
    EXPECT_EQ(undo->undoActionName(), "Generate Timeline");
    undo->undo();
    EXPECT_TRUE(state.images.get().empty());
}

TEST_F(CreateSheetTest, ProviderFirstFailureStopsTheOthersAndKeepsPublishedFrames)
{
    provider.delay = [](const std::string& prompt) {
        if (prompt.find("Nautical") != std::string::npos) return 30ms;
        return prompt.find("relight") != std::string::npos ? 2000ms : 0ms;
    };
    provider.fail = [](const std::string& prompt) { return prompt.find("Nautical") != std::string::npos; };
    auto& sheet = makeModel(providerModel);
    sheet.setPrompt("lake");
    sheet.startGeneration();
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(finishRun());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1500ms);
    EXPECT_EQ(sheet.status().errorMessage, "scripted failure");
    EXPECT_EQ(provider.stoppedRequests, 2);
    EXPECT_EQ(provider.callsSoFar().size(), 4u);
    EXPECT_EQ(state.images.get().size(), 1u);
    EXPECT_EQ(closed, 0);
    EXPECT_FALSE(state.hasOpenBatch());
    endEvent();
    EXPECT_EQ(undo->undoActionName(), "Generate Timeline") << "a published frame keeps the run's step";
}

TEST_F(CreateSheetTest, ProviderRunWithAStartingImageSendsNoBaseRequest)
{
    auto& sheet = makeModel(providerModel);
    sheet.acceptDroppedImage(testing::pngFor("start"), std::nullopt);
    sheet.setPrompt(" lake ");
    sheet.setTweenCount(0);
    sheet.startGeneration();
    ASSERT_TRUE(finishRun());
    const auto calls = provider.callsSoFar();
    ASSERT_EQ(calls.size(), 10u);
    for (const auto& call : calls)
        EXPECT_TRUE(call.prompt.starts_with("Scene description: lake\nUsing the reference image above")) << call.prompt;
    EXPECT_EQ(state.images.get().size(), 11u);
    // A blank prompt would have left the remembered one alone; this one is remembered.
    EXPECT_EQ(state.lastMagicPrompt.get(), "lake");
}

TEST_F(CreateSheetTest, ProviderCancelAndMissingDataFolder)
{
    provider.delay = [](const std::string&) { return 5000ms; };
    auto& sheet = makeModel(providerModel);
    sheet.setPrompt("lake");
    sheet.startGeneration();
    ASSERT_TRUE(testing::processEventsUntil([&] { return !provider.callsSoFar().empty(); }));
    sheet.cancelOrClose();
    ASSERT_TRUE(finishRun());
    EXPECT_EQ(sheet.status().progressMessage, "Generation cancelled.");
    EXPECT_FALSE(sheet.status().errorMessage);

    dataFolder.reset();
    provider.delay = {};
    auto& homeless = makeModel(providerModel);
    homeless.setPrompt("lake");
    homeless.startGeneration();
    ASSERT_TRUE(finishRun());
    EXPECT_EQ(homeless.status().errorMessage, "No folder for application data was found.");
    EXPECT_FALSE(state.hasOpenBatch());
}

} // namespace
} // namespace tl::ui
