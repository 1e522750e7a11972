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

TEST_F(ExportSheetModelTest, TheFirstButtonClosesOnceARunHasLeftAMessage)
{
    EXPECT_EQ(ExportSheetModel::dismissTitle(""), "Cancel");
    EXPECT_EQ(ExportSheetModel::dismissTitle("Export complete!"), "Close");
}

TEST(UpscalerReadyTextTest, EstimatesFramesTimesTwelveTilesTimesTheTileTime)
{
    EXPECT_EQ(upscalerReadyText(1, 3.0),
        "Core ML upscaler ready · roughly 36 s for 1 frame at 1920×1080 (12 tiles each, 3 s a tile)");
    EXPECT_EQ(upscalerReadyText(10, 3.0),
        "Core ML upscaler ready · roughly 6 min for 10 frames at 1920×1080 (12 tiles each, 3 s a tile)");
    EXPECT_EQ(upscalerReadyText(16, 34.0),
        "Core ML upscaler ready · roughly 1 h 49 min for 16 frames at 1920×1080 (12 tiles each, 34 s a tile)");
    EXPECT_EQ(upscalerReadyText(100, 3.0),
        "Core ML upscaler ready · roughly 1 h for 100 frames at 1920×1080 (12 tiles each, 3 s a tile)");
    EXPECT_EQ(upscalerReadyText(0, 3.0), "Core ML upscaler ready");
}

} // namespace
} // namespace tl::ui
