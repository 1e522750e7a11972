#include "engine/HeicExportOptions.h"
#include "platform/Uuid.h"
#include "support/GermanLocale.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tl {
namespace {

namespace fs = std::filesystem;

std::optional<PixelSize> customSize(const std::string& width, const std::string& height = "2160")
{
    HeicExportOptions options;
    options.customWidth = width;
    options.customHeight = height;
    return options.customCanvasSize();
}

TEST(ExportOptionRawValues, EveryCaseRoundTripsAndOnlyExactTextsParse)
{
    const std::pair<HeicUpscaleStrategy, const char*> strategies[] = {
        { HeicUpscaleStrategy::autoScale, "auto" },
        { HeicUpscaleStrategy::fast, "fast" },
        { HeicUpscaleStrategy::max, "max" },
        { HeicUpscaleStrategy::scale2, "scale2" },
        { HeicUpscaleStrategy::scale4, "scale4" },
        { HeicUpscaleStrategy::off, "off" },
    };
    ASSERT_EQ(allHeicUpscaleStrategies.size(), std::size(strategies));
    for (std::size_t i = 0; i < std::size(strategies); ++i) {
        const auto& [strategy, raw] = strategies[i];
        EXPECT_EQ(allHeicUpscaleStrategies[i], strategy);
        EXPECT_EQ(rawValue(strategy), raw);
        EXPECT_EQ(heicUpscaleStrategy(raw), strategy);
    }
    const std::pair<HeicCanvasPreset, const char*> presets[] = {
        { HeicCanvasPreset::matchSource, "matchSource" },
        { HeicCanvasPreset::apple8k, "apple8k" },
        { HeicCanvasPreset::apple6k, "apple6k" },
        { HeicCanvasPreset::custom, "custom" },
    };
    ASSERT_EQ(allHeicCanvasPresets.size(), std::size(presets));
    for (std::size_t i = 0; i < std::size(presets); ++i) {
        const auto& [preset, raw] = presets[i];
        EXPECT_EQ(allHeicCanvasPresets[i], preset);
        EXPECT_EQ(rawValue(preset), raw);
        EXPECT_EQ(heicCanvasPreset(raw), preset);
    }
    for (const char* text : { "Auto", "autoScale", "", "off " })
        EXPECT_FALSE(heicUpscaleStrategy(text)) << text;
    for (const char* text : { "Apple8k", "matchsource", "8k", "" })
        EXPECT_FALSE(heicCanvasPreset(text)) << text;
}

TEST(CustomCanvas, AcceptsWholeNumbersAroundWhiteSpace)
{
    EXPECT_EQ(customSize(" 3840 ", "2160\n"), (PixelSize { 3840, 2160 }));
    EXPECT_EQ(customSize("\t0800"), (PixelSize { 800, 2160 }));
}

TEST(CustomCanvas, RefusesAnythingThatIsNotAPositiveFiniteSize)
{
    for (const std::string& width : std::vector<std::string> { "3840px", "", "  ", "0", "1,5", "-100", "inf",
             "infinity", "1e400", "nan", "0.4", "99999",
             std::string("38\0"
                         "40",
                 5),
             "0x", "--1", "1.5e3", "\t800.6", "0.6", "0x10" })
        EXPECT_FALSE(customSize(width)) << '"' << width << '"';
    EXPECT_FALSE(customSize("3840", "tall"));
}

TEST(CustomCanvas, ReadsTheSameUnderACommaLocale)
{
    const test::GermanLocale german;
    if (!german.active()) GTEST_SKIP() << german.why();
    const auto comma = customSize("1,5");
    const auto point = customSize("1500");
    EXPECT_FALSE(comma);
    EXPECT_EQ(point, (PixelSize { 1500, 2160 }));
}

TEST(CustomCanvas, MessageShowsOnlyForAnInvalidCustomCanvasBeingUsed)
{
    HeicExportOptions options;
    options.customWidth = "-100";
    options.canvasPreset = HeicCanvasPreset::custom;
    EXPECT_EQ(options.customSizeError(), "Enter a valid custom canvas size.");
    options.resizeEnabled = false;
    EXPECT_FALSE(options.customSizeError());
    options.resizeEnabled = true;
    options.canvasPreset = HeicCanvasPreset::apple6k;
    EXPECT_FALSE(options.customSizeError());
}

class TestUpscaler : public ImageUpscalingTool {
public:
    std::set<int> supportedScales() const override { return { 4 }; }
    Result<void, UpscaleError> upscale(
        const fs::path&, const fs::path&, int, std::stop_token, const TileProgress&) override
    {
        return {};
    }
};

TEST(PreprocessConfig, FollowsTheSwitches)
{
    const auto upscaler = std::make_shared<TestUpscaler>();
    HeicExportOptions off;
    off.upscaleEnabled = false;

    auto ditherOnly = off;
    ditherOnly.resizeEnabled = false;
    ditherOnly.enableDither = true;
    const auto dither = ditherOnly.makePreprocessConfig(upscaler);
    ASSERT_TRUE(dither);
    EXPECT_FALSE(dither->targetSize);
    EXPECT_EQ(dither->upscaleStrategy, HeicUpscaleStrategy::off);
    EXPECT_FALSE(dither->upscaler);
    EXPECT_TRUE(dither->enableDither);

    auto upscaleWithoutTool = off;
    upscaleWithoutTool.resizeEnabled = false;
    upscaleWithoutTool.upscaleEnabled = true;
    EXPECT_FALSE(upscaleWithoutTool.makePreprocessConfig(nullptr));
    const auto upscaling = upscaleWithoutTool.makePreprocessConfig(upscaler);
    ASSERT_TRUE(upscaling);
    EXPECT_EQ(upscaling->upscaler, upscaler);
    EXPECT_EQ(upscaling->upscaleStrategy, HeicUpscaleStrategy::autoScale);

    auto sixK = off;
    sixK.canvasPreset = HeicCanvasPreset::apple6k;
    const auto canvas = sixK.makePreprocessConfig(upscaler);
    ASSERT_TRUE(canvas);
    EXPECT_EQ(canvas->targetSize, (PixelSize { 6016, 3384 }));
    EXPECT_FALSE(canvas->upscaler);

    auto source = off;
    source.canvasPreset = HeicCanvasPreset::matchSource;
    EXPECT_FALSE(source.makePreprocessConfig(upscaler));

    auto badCustom = off;
    badCustom.canvasPreset = HeicCanvasPreset::custom;
    badCustom.customWidth = "wide";
    EXPECT_FALSE(badCustom.makePreprocessConfig(upscaler));
    badCustom.enableDither = true;
    const auto ditherInstead = badCustom.makePreprocessConfig(upscaler);
    ASSERT_TRUE(ditherInstead);
    EXPECT_FALSE(ditherInstead->targetSize);
}

TEST(PreprocessFolder, TemporaryFoldersAreFreshAndKeptFoldersNeverShareAName)
{
    HeicExportOptions options;
    const fs::path first = options.preprocessOutputDirectory();
    EXPECT_EQ(first.parent_path(), fs::temp_directory_path());
    EXPECT_EQ(first.filename().string().rfind("TidelumineAIPreprocess-", 0), 0u);
    EXPECT_NE(first, options.preprocessOutputDirectory());

    const fs::path data = fs::temp_directory_path() / ("tl-data-" + Uuid::random().text());
    const char* previous = std::getenv("XDG_DATA_HOME");
    const std::string saved = previous ? previous : "";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    options.keepPreprocessedFrames = true;
    const fs::path kept = options.preprocessOutputDirectory();
    fs::create_directories(kept);
    const fs::path next = options.preprocessOutputDirectory();
    if (previous)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    fs::remove_all(data);

    EXPECT_EQ(kept.parent_path(), data / "Tidelumine AI" / "Preprocessed");
    EXPECT_EQ(kept.filename().string().size(), 15u); // yyyyMMdd-HHmmss
    // Same second: the name is taken, so a suffix follows; a second later there is a new stamp.
    EXPECT_TRUE(next == fs::path(kept.string() + "-2") || next.filename() != kept.filename());
}

TEST(PreprocessFolder, StartUpRemovesOnlyOurFoldersOlderThanADay)
{
    const fs::path temporary = fs::temp_directory_path() / ("tl-sweep-" + Uuid::random().text());
    const auto folder = [&](const std::string& name, std::chrono::hours age) {
        fs::create_directories(temporary / name / "frames");
        std::ofstream(temporary / name / "frames" / "0.png") << "prepared frame";
        fs::last_write_time(temporary / name, fs::file_time_type::clock::now() - age);
        return temporary / name;
    };
    const std::string uuid = Uuid::random().text();
    const auto stale = folder("TidelumineAIPreprocess-" + uuid, std::chrono::hours(30));
    const auto running = folder("TidelumineAIPreprocess-" + Uuid::random().text(), std::chrono::hours(1));
    const auto notOurs = folder("TidelumineAIPreprocess-notes", std::chrono::hours(30));
    const auto otherProgram = folder("SomeoneElse-" + uuid, std::chrono::hours(30));
    // A link of our name to somebody's folder is not followed.
    const auto linkTarget = folder("linked-target", std::chrono::hours(30));
    const auto link = temporary / ("TidelumineAIPreprocess-" + Uuid::random().text());
    fs::create_directory_symlink(linkTarget, link);

    removeStalePreprocessFolders(temporary, std::chrono::hours(24));
    EXPECT_FALSE(fs::exists(stale));
    for (const auto& kept : { running, notOurs, otherProgram, linkTarget / "frames" / "0.png" })
        EXPECT_TRUE(fs::exists(kept)) << kept;
    EXPECT_TRUE(fs::is_symlink(link));
    fs::remove_all(temporary);
}

} // namespace
} // namespace tl
