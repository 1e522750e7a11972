#pragma once

#include "engine/CanvasLimit.h"
#include "engine/HeicExportOptions.h"
#include "platform/Observation.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl::ui {

enum class ExportQuality { standard, high, ultra };
enum class TargetDisplay { thisMac, external, custom };

inline constexpr std::array allExportQualities { ExportQuality::standard, ExportQuality::high, ExportQuality::ultra };
inline constexpr std::array allTargetDisplays { TargetDisplay::thisMac, TargetDisplay::external,
    TargetDisplay::custom };
// The strategies the sheet offers, in menu order.
inline constexpr std::array offeredUpscaleStrategies { HeicUpscaleStrategy::autoScale, HeicUpscaleStrategy::fast,
    HeicUpscaleStrategy::max, HeicUpscaleStrategy::scale4 };

std::string_view label(ExportQuality quality);
std::string_view label(TargetDisplay display);
std::string_view label(HeicCanvasPreset preset);
std::string_view label(HeicUpscaleStrategy strategy);

// Where the time of one upscaled tile comes from.
enum class TileTimeSource {
    lastExport, // measured by the last export that upscaled, on this machine
    probe, // a short pass measured when the sheet opened; it runs slower per pixel than a tile, so rough
};

struct TileTime {
    double seconds = 0;
    TileTimeSource source = TileTimeSource::probe;
};

// The frame size the estimate takes for key frames whose pictures have not been read yet.
inline constexpr PixelSize assumedFrameSize { 1920, 1080 };

// The upscaler line: how long upscaling the key frames takes with these options: the tiles of every
// pass the plan makes for each frame on the chosen canvas, times the time of one tile. It names the
// sizes of the frames that upscale; without `frameSizes` (not read yet) the frames are taken as
// assumedFrameSize. Frames that would upscale beyond the canvas limit give no estimate. Without a
// tile time it gives no figure: it says the speed is being measured while `measuring`.
std::string upscalerReadyText(int keyFrames, const std::optional<std::vector<PixelSize>>& frameSizes,
    const HeicExportOptions& options, std::optional<TileTime> tileTime, bool measuring);

// The decisions of the export options sheet over the window's export options. Two selections,
// quality and target display, are derived from the options and drive them in turn: choosing one
// writes the options field by field, and a change of a watched option derives the selection
// again. Reactions run only for values that really changed, and only after the step that
// changed them has finished, so every chain stops after one pass. One model per presentation.
class ExportSheetModel {
public:
    explicit ExportSheetModel(Observable<HeicExportOptions>& options);
    ExportSheetModel(const ExportSheetModel&) = delete;
    ExportSheetModel& operator=(const ExportSheetModel&) = delete;

    // Derives both selections from the options; may write the options (see setQuality).
    void appear();

    ExportQuality quality() const { return quality_; }
    TargetDisplay targetDisplay() const { return targetDisplay_; }
    void setQuality(ExportQuality quality);
    void setTargetDisplay(TargetDisplay display);

    // Every control writes one field through here.
    template <class Change> void edit(Change&& change) { options_.mutate(std::forward<Change>(change)); }

    const HeicExportOptions& options() const { return options_.get(); }

    // Keeping the preprocessed frames only means something when a preprocessing stage runs.
    bool keepFramesDisabled() const;
    std::optional<std::string> validationMessage() const;
    bool canExport() const { return !validationMessage() && !refusal(); }

    // The key frames the upscaler line counts: how many, then their names and sizes once read.
    void setKeyFrames(int count);
    void setKeyFrameSizes(std::vector<NamedFrameSize> frames);
    // The export's own refusal of these options: why the custom canvas is refused, or, for the key
    // frames read so far, a frame the planned passes would take beyond the canvas limit.
    std::optional<std::string> refusal() const;
    // Whether the upscaler row shows: while upscaling is on, and while it has a refusal to tell.
    bool showsUpscalerLine() const;
    // What the upscaler row says: the estimate, or the refusal in its place.
    std::string upscalerLine(std::optional<TileTime> tileTime, bool measuring = false) const;
    // The first button: "Cancel" until a run of this presentation has left a message.
    static std::string_view dismissTitle(std::string_view statusMessage);

    // Tells the view that a selection changed.
    [[nodiscard]] Observation observeSelections(std::function<void()> callback)
    {
        return selectionsChanged_.observe(std::move(callback));
    }

private:
    struct Watched {
        ExportQuality quality;
        TargetDisplay targetDisplay;
        bool upscaleEnabled;
        bool enableDither;
        HeicCanvasPreset canvasPreset;
    };

    void deriveQuality();
    void deriveTargetDisplay();
    void applyQuality(ExportQuality quality);
    void applyTargetDisplay(TargetDisplay display);
    void settle();

    Observable<HeicExportOptions>& options_;
    ExportQuality quality_ = ExportQuality::high;
    TargetDisplay targetDisplay_ = TargetDisplay::thisMac;
    Watched seen_;
    bool settling_ = false;
    int keyFrames_ = 0;
    std::optional<std::vector<NamedFrameSize>> keyFrameSizes_;
    ChangeNotifier selectionsChanged_;
    Observation optionsObservation_;
};

} // namespace tl::ui
