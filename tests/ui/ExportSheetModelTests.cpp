#include "ui/export/ExportSheetModel.h"

#include <gtest/gtest.h>

namespace tl::ui {
namespace {

using enum ExportQuality;
using enum TargetDisplay;
using Preset = HeicCanvasPreset;
using Strategy = HeicUpscaleStrategy;

// Options as the sheet leaves them, compared field by field.
struct Shape {
    bool resize;
    Preset preset;
    bool upscale;
    Strategy strategy;
    bool dither;
    friend bool operator==(const Shape&, const Shape&) = default;
};

Shape shapeOf(const HeicExportOptions& o)
{
    return { o.resizeEnabled, o.canvasPreset, o.upscaleEnabled, o.upscaleStrategy, o.enableDither };
}

void PrintTo(const Shape& s, std::ostream* out)
{
    *out << "resize " << s.resize << " preset " << rawValue(s.preset) << " upscale " << s.upscale << " "
         << rawValue(s.strategy) << " dither " << s.dither;
}

class ExportSheetModelTest : public ::testing::Test {
protected:
    ExportSheetModel& open(HeicExportOptions initial = {})
    {
        options = initial;
        sheet.emplace(options);
        writes = 0;
        observation = options.observe([this] { ++writes; });
        sheet->appear();
        return *sheet;
    }

    Observable<HeicExportOptions> options;
    std::optional<ExportSheetModel> sheet;
    int writes = 0;
    Observation observation;
};

TEST_F(ExportSheetModelTest, TheWindowsInitialOptionsOpenOnHighAndThisMacWithoutWrites)
{
    auto& model = open();
    EXPECT_EQ(model.quality(), high);
    EXPECT_EQ(model.targetDisplay(), thisMac);
    EXPECT_EQ(writes, 0);
}

TEST_F(ExportSheetModelTest, OpeningDerivesTheSelectionsAndAppliesThem)
{
    struct Case {
        const char* name;
        HeicExportOptions initial;
        ExportQuality quality;
        TargetDisplay target;
        Shape result;
    };
    const auto with = [](auto change) {
        HeicExportOptions o;
        change(o);
        return o;
    };
    const Case cases[] = {
        { "upscaling off switches dithering off",
            with([](auto& o) { o.upscaleEnabled = false, o.enableDither = true; }), standard, thisMac,
            { true, Preset::apple8k, false, Strategy::autoScale, false } },
        { "6K selects the external display and resizes",
            with([](auto& o) { o.canvasPreset = Preset::apple6k, o.resizeEnabled = false; }), high, external,
            { true, Preset::apple6k, true, Strategy::autoScale, false } },
        { "custom selects Custom and resizes",
            with([](auto& o) { o.canvasPreset = Preset::custom, o.resizeEnabled = false; }), high, custom,
            { true, Preset::custom, true, Strategy::autoScale, false } },
        { "upscaling and dithering on match source give Ultra at 8K",
            with([](auto& o) { o.enableDither = true, o.canvasPreset = Preset::matchSource, o.resizeEnabled = false; }),
            ultra, thisMac, { true, Preset::apple8k, true, Strategy::max, true } },
    };
    for (const auto& c : cases) {
        auto& model = open(c.initial);
        EXPECT_EQ(model.quality(), c.quality) << c.name;
        EXPECT_EQ(model.targetDisplay(), c.target) << c.name;
        EXPECT_EQ(shapeOf(options.get()), c.result) << c.name;
    }
}

TEST_F(ExportSheetModelTest, QualityChoicesWriteTheirOptions)
{
    auto& model = open();
    model.edit([](auto& o) { o.keepPreprocessedFrames = true, o.customWidth = "1234"; });
    model.setQuality(standard);
    EXPECT_EQ(shapeOf(options.get()), (Shape { true, Preset::apple8k, false, Strategy::autoScale, false }));
    EXPECT_TRUE(options.get().keepPreprocessedFrames);
    EXPECT_EQ(options.get().customWidth, "1234");

    model.setTargetDisplay(external);
    model.setQuality(ultra);
    EXPECT_EQ(shapeOf(options.get()), (Shape { true, Preset::apple8k, true, Strategy::max, true }));
    EXPECT_EQ(model.targetDisplay(), thisMac) << "the target follows the 8K canvas";

    model.setQuality(high);
    EXPECT_EQ(shapeOf(options.get()), (Shape { true, Preset::apple8k, true, Strategy::autoScale, false }));
}

TEST_F(ExportSheetModelTest, SwitchesMoveTheQuality)
{
    auto& model = open();
    model.edit([](auto& o) { o.enableDither = true; });
    EXPECT_EQ(model.quality(), ultra);
    EXPECT_EQ(options.get().upscaleStrategy, Strategy::max);
    model.edit([](auto& o) { o.enableDither = false; });
    EXPECT_EQ(model.quality(), high);
    EXPECT_EQ(options.get().upscaleStrategy, Strategy::autoScale);

    model.edit([](auto& o) { o.upscaleEnabled = false; });
    EXPECT_EQ(model.quality(), standard);
    model.edit([](auto& o) { o.enableDither = true; });
    EXPECT_EQ(model.quality(), standard) << "dithering alone keeps Standard";
    EXPECT_TRUE(options.get().enableDither);
    model.edit([](auto& o) { o.upscaleEnabled = true; });
    EXPECT_EQ(model.quality(), ultra);
}

TEST_F(ExportSheetModelTest, TargetDisplaysAndCanvasPresetsFollowEachOther)
{
    auto& model = open();
    model.setTargetDisplay(custom);
    model.edit([](auto& o) { o.customWidth = "100", o.customHeight = "50"; });
    model.setTargetDisplay(thisMac);
    EXPECT_EQ(options.get().canvasPreset, Preset::apple8k);
    EXPECT_EQ(options.get().customWidth, "100");

    for (const auto& [preset, target] : std::vector<std::pair<Preset, TargetDisplay>> {
             { Preset::apple6k, external }, { Preset::matchSource, thisMac }, { Preset::custom, custom } }) {
        model.edit([preset](auto& o) { o.canvasPreset = preset; });
        EXPECT_EQ(model.targetDisplay(), target) << rawValue(preset);
    }
    model.edit([](auto& o) { o.resizeEnabled = false; });
    EXPECT_EQ(model.targetDisplay(), custom) << "resizing is not watched";
}

TEST_F(ExportSheetModelTest, ChoosingThisMacSwitchesResizingOn)
{
    // From another target, with resizing switched off since: This Mac resizes again, to 8K.
    for (const auto from : { external, custom }) {
        auto& model = open();
        model.setTargetDisplay(from);
        model.edit([](auto& o) { o.resizeEnabled = false; });
        model.setTargetDisplay(thisMac);
        EXPECT_TRUE(options.get().resizeEnabled) << "from " << label(from);
        EXPECT_EQ(options.get().canvasPreset, Preset::apple8k) << "from " << label(from);
    }
}

TEST_F(ExportSheetModelTest, ValidationAndKeepingFrames)
{
    auto& model = open();
    model.setQuality(standard);
    model.setTargetDisplay(custom);
    for (const char* width : { "0", "abc", "" }) {
        model.edit([width](auto& o) { o.customWidth = width; });
        EXPECT_EQ(model.validationMessage(), "Enter a valid custom canvas size.") << width;
        EXPECT_FALSE(model.canExport());
        EXPECT_TRUE(model.keepFramesDisabled()) << width;
    }
    model.edit([](auto& o) { o.customWidth = " 1920 ", o.customHeight = "1080"; });
    EXPECT_TRUE(model.canExport());
    EXPECT_FALSE(model.keepFramesDisabled());

    model.edit([](auto& o) { o.customWidth = "0", o.resizeEnabled = false; });
    EXPECT_TRUE(model.canExport()) << "no message while resizing is off";
    EXPECT_TRUE(model.keepFramesDisabled());
    model.edit([](auto& o) { o.enableDither = true; });
    EXPECT_FALSE(model.keepFramesDisabled());
    model.edit([](auto& o) { o.enableDither = false, o.resizeEnabled = true, o.canvasPreset = Preset::matchSource; });
    EXPECT_TRUE(model.keepFramesDisabled());
    model.edit([](auto& o) { o.canvasPreset = Preset::apple6k; });
    EXPECT_FALSE(model.keepFramesDisabled());
}

// Each side is a decimal whole number from 1 to 16384 or nothing: the line says which side is
// refused and why in place of the estimate, whatever the text would mean to a number parser,
// and Export stays off.
TEST_F(ExportSheetModelTest, ACustomCanvasIsRefusedWithItsReasonInPlaceOfTheEstimate)
{
    auto& model = open();
    model.setTargetDisplay(custom);
    model.setKeyFrames(2);
    model.setKeyFrameSizes({ { "a.png", { 640, 400 } }, { "b.png", { 640, 400 } } });
    const TileTime tileTime { 3.0, TileTimeSource::probe };
    const std::string above = " is above 16384 pixels, the longest side of a frame an export can prepare.";
    const std::string fraction = " is not a whole number of pixels.";
    struct Row {
        const char* width;
        const char* height;
        std::string reason;
    };
    const Row rows[] = {
        { "1e19", "1080", "The custom width “1e19”" + fraction },
        { "1920", "9223372036854775808", "The custom height “9223372036854775808”" + above },
        { "-5", "1080", "The custom width “-5” is below 1 pixel." },
        { "1920", "0", "The custom height “0” is below 1 pixel." },
        { "99999999", "1080", "The custom width “99999999”" + above },
        { "40000", "100", "The custom width “40000”" + above },
        { "0x10", "1080", "The custom width “0x10”" + fraction },
        { "1e3", "1080", "The custom width “1e3”" + fraction },
        { "1920.6", "1080", "The custom width “1920.6”" + fraction },
        { "16385", "16384", "The custom width “16385”" + above },
        { "000000000000000000016385", "9", "The custom width “000000000000000000016385”" + above },
        { "+5", "9", "The custom width “+5”" + fraction },
        { "nan", "9", "The custom width “nan”" + fraction },
        { "", "9", "Enter the custom width in pixels." },
    };
    for (const auto& row : rows) {
        model.edit([&](auto& o) { o.customWidth = row.width, o.customHeight = row.height; });
        const std::string canvas = std::string(row.width) + " × " + row.height;
        EXPECT_EQ(model.validationMessage(), "Enter a valid custom canvas size.") << canvas;
        EXPECT_FALSE(model.canExport()) << canvas;
        EXPECT_EQ(model.refusal(), row.reason) << canvas;
        EXPECT_EQ(model.upscalerLine(tileTime), "Upscaler ready (CPU) · " + row.reason) << canvas;
    }
    model.setQuality(standard);
    EXPECT_TRUE(model.showsUpscalerLine()) << "the reason shows without upscaling too";
    EXPECT_EQ(model.upscalerLine(tileTime), rows[std::size(rows) - 1].reason);

    model.edit([](auto& o) { o.customWidth = " 016384 ", o.customHeight = "16384"; });
    EXPECT_FALSE(model.validationMessage()) << "the largest frame, with blanks and a leading zero";
    EXPECT_EQ(model.options().customCanvasSize(), (PixelSize { 16384, 16384 }));
    EXPECT_FALSE(model.showsUpscalerLine());
    model.setQuality(high);
    model.edit([](auto& o) { o.customWidth = "1920", o.customHeight = "1080"; });
    EXPECT_TRUE(model.canExport());
    EXPECT_EQ(model.upscalerLine(tileTime),
        "Upscaler ready (CPU) · roughly 12 s for 2 frames of 640×400 (1 pass each, 4 tiles at 3.0 s a tile as "
        "measured on this computer)");
}

// Only the frames that upscale count and are named; a frame already larger than the canvas is no work.
TEST_F(ExportSheetModelTest, TheEstimateNamesOnlyTheFramesThatUpscale)
{
    auto& model = open();
    model.setTargetDisplay(custom);
    model.edit([](auto& o) { o.customWidth = "1920", o.customHeight = "1080"; });
    model.setKeyFrames(2);
    model.setKeyFrameSizes({ { "large.png", { 4000, 3000 } }, { "small.png", { 640, 400 } } });
    EXPECT_EQ(model.upscalerLine(TileTime { 3.0, TileTimeSource::lastExport }),
        "Upscaler ready (CPU) · about 6.0 s for 1 frame of 640×400 (1 pass, 2 tiles at 3.0 s a tile as measured "
        "in the last export)");
}

TEST_F(ExportSheetModelTest, TheFirstButtonClosesOnceARunHasLeftAMessage)
{
    EXPECT_EQ(ExportSheetModel::dismissTitle(""), "Cancel");
    EXPECT_EQ(ExportSheetModel::dismissTitle("Export complete!"), "Close");
}

// The line counts the tiles of every pass the plan makes for each frame's real size on the chosen
// canvas, times the tile time, and says which sizes and which tile time it took.
TEST(UpscalerReadyTextTest, CountsEveryPassOfEveryFrameTimesTheTileTime)
{
    struct Case {
        int keyFrames;
        std::optional<std::vector<PixelSize>> sizes;
        Preset canvas;
        TileTime tileTime;
        std::string expected;
    };
    const std::vector<PixelSize> small(2, PixelSize { 820, 512 });
    const Case cases[] = {
        // 820×512 to 8K: 4× twice; 2 tiles, then 7 × 5 on the 3280×2048 frame.
        { 2, small, Preset::apple8k, { 7.0, TileTimeSource::lastExport },
            "Upscaler ready (CPU) · about 9 min for 2 frames of 820×512 (2 passes each, 74 tiles at 7.0 s a "
            "tile as measured in the last export)" },
        { 2, std::vector<PixelSize>(2, PixelSize { 640, 400 }), Preset::apple8k, { 7.0, TileTimeSource::lastExport },
            "Upscaler ready (CPU) · about 6 min for 2 frames of 640×400 (2 passes each, 52 tiles at 7.0 s a "
            "tile as measured in the last export)" },
        { 2, std::vector<PixelSize> { { 1920, 1080 }, { 1024, 576 } }, Preset::apple6k, { 4.5, TileTimeSource::probe },
            "Upscaler ready (CPU) · roughly 81 s for 2 frames of 1920×1080 and 1024×576 (1 pass each, 18 tiles at "
            "4.5 s a tile as measured on this computer)" },
        { 1, std::nullopt, Preset::matchSource, { 3.0, TileTimeSource::probe },
            "Upscaler ready (CPU) · roughly 36 s for 1 frame taken as 1920×1080 until their sizes are read (1 "
            "pass, 12 tiles at 3.0 s a tile as measured on this computer)" },
        { 16, std::nullopt, Preset::matchSource, { 34.0, TileTimeSource::lastExport },
            "Upscaler ready (CPU) · about 1 h 49 min for 16 frames taken as 1920×1080 until their sizes are read "
            "(1 pass each, 192 tiles at 34 s a tile as measured in the last export)" },
        { 1, std::vector<PixelSize> { { 8000, 4500 } }, Preset::apple8k, { 7.0, TileTimeSource::lastExport },
            "Upscaler ready (CPU) · no frame needs upscaling for this canvas" },
        { 0, std::nullopt, Preset::apple8k, { 3.0, TileTimeSource::probe }, "Upscaler ready (CPU)" },
        // Headers may claim any size: one that would upscale past the limit is not counted.
        { 1, std::vector<PixelSize> { { 1e19, 5e18 } }, Preset::matchSource, { 3.0, TileTimeSource::probe },
            "Upscaler ready (CPU)" },
        { 2, std::vector<PixelSize> { { 640, 400 }, { 3e9, 2e9 } }, Preset::matchSource, { 3.0, TileTimeSource::probe },
            "Upscaler ready (CPU)" },
    };
    for (const auto& c : cases) {
        HeicExportOptions options;
        options.canvasPreset = c.canvas;
        EXPECT_EQ(upscalerReadyText(c.keyFrames, c.sizes, options, c.tileTime, false), c.expected);
    }
}

} // namespace
} // namespace tl::ui
