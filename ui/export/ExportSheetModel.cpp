#include "ui/export/ExportSheetModel.h"

#include "engine/upscale/CoreMLUpscaleTool.h"

#include <cmath>

namespace tl::ui {

std::string_view label(ExportQuality quality)
{
    switch (quality) {
    case ExportQuality::standard:
        return "Standard";
    case ExportQuality::high:
        return "High";
    case ExportQuality::ultra:
        return "Ultra";
    }
    return {};
}

std::string_view label(TargetDisplay display)
{
    switch (display) {
    case TargetDisplay::thisMac:
        return "This Mac";
    case TargetDisplay::external:
        return "External Display…";
    case TargetDisplay::custom:
        return "Custom…";
    }
    return {};
}

std::string_view label(HeicCanvasPreset preset)
{
    switch (preset) {
    case HeicCanvasPreset::matchSource:
        return "Match source";
    case HeicCanvasPreset::apple8k:
        return "8K (7680×4320)";
    case HeicCanvasPreset::apple6k:
        return "6K (6016×3384)";
    case HeicCanvasPreset::custom:
        return "Custom";
    }
    return {};
}

std::string_view label(HeicUpscaleStrategy strategy)
{
    switch (strategy) {
    case HeicUpscaleStrategy::autoScale:
        return "Auto";
    case HeicUpscaleStrategy::fast:
        return "Fast";
    case HeicUpscaleStrategy::max:
        return "Max detail";
    case HeicUpscaleStrategy::scale4:
        return "4×";
    // Not offered by the sheet.
    case HeicUpscaleStrategy::scale2:
    case HeicUpscaleStrategy::off:
        return {};
    }
    return {};
}

namespace {

std::string roughDuration(double seconds)
{
    const auto whole = [](double value) { return std::to_string(static_cast<long>(std::lround(value))); };
    if (seconds < 90) return whole(seconds) + " s";
    const long minutes = std::lround(seconds / 60);
    if (minutes < 60) return std::to_string(minutes) + " min";
    const std::string hours = std::to_string(minutes / 60) + " h";
    return minutes % 60 == 0 ? hours : hours + " " + std::to_string(minutes % 60) + " min";
}

} // namespace

std::string upscalerReadyText(int upscaledFrames, double secondsPerTile)
{
    const std::string ready = "Core ML upscaler ready";
    if (upscaledFrames <= 0) return ready;
    const int tiles = CoreMLUpscaleTool::tileCount(1920, 1080);
    const double seconds = static_cast<double>(upscaledFrames) * tiles * secondsPerTile;
    return ready + " · roughly " + roughDuration(seconds) + " for " + std::to_string(upscaledFrames)
        + (upscaledFrames == 1 ? " frame" : " frames") + " at 1920×1080 (" + std::to_string(tiles) + " tiles each, "
        + roughDuration(secondsPerTile) + " a tile)";
}

ExportSheetModel::ExportSheetModel(Observable<HeicExportOptions>& options)
    : options_(options)
{
    const auto& current = options_.get();
    seen_ = { quality_, targetDisplay_, current.upscaleEnabled, current.enableDither, current.canvasPreset };
    optionsObservation_ = options_.observe([this] {
        if (!settling_) settle();
    });
}

void ExportSheetModel::appear()
{
    deriveQuality();
    deriveTargetDisplay();
    settle();
}

void ExportSheetModel::setQuality(ExportQuality quality)
{
    quality_ = quality;
    settle();
}

void ExportSheetModel::setTargetDisplay(TargetDisplay display)
{
    targetDisplay_ = display;
    settle();
}

void ExportSheetModel::deriveQuality()
{
    const auto& o = options_.get();
    if (!o.upscaleEnabled) {
        quality_ = ExportQuality::standard;
    } else {
        quality_ = o.enableDither ? ExportQuality::ultra : ExportQuality::high;
    }
}

void ExportSheetModel::deriveTargetDisplay()
{
    switch (options_.get().canvasPreset) {
    case HeicCanvasPreset::apple6k:
        targetDisplay_ = TargetDisplay::external;
        break;
    case HeicCanvasPreset::custom:
        targetDisplay_ = TargetDisplay::custom;
        break;
    case HeicCanvasPreset::matchSource:
    case HeicCanvasPreset::apple8k:
        targetDisplay_ = TargetDisplay::thisMac;
        break;
    }
}

void ExportSheetModel::applyQuality(ExportQuality quality)
{
    switch (quality) {
    case ExportQuality::standard:
        edit([](HeicExportOptions& o) { o.upscaleEnabled = false; });
        edit([](HeicExportOptions& o) { o.enableDither = false; });
        break;
    case ExportQuality::high:
        edit([](HeicExportOptions& o) { o.upscaleEnabled = true; });
        edit([](HeicExportOptions& o) { o.upscaleStrategy = HeicUpscaleStrategy::autoScale; });
        edit([](HeicExportOptions& o) { o.enableDither = false; });
        break;
    case ExportQuality::ultra:
        edit([](HeicExportOptions& o) { o.upscaleEnabled = true; });
        edit([](HeicExportOptions& o) { o.upscaleStrategy = HeicUpscaleStrategy::max; });
        edit([](HeicExportOptions& o) { o.enableDither = true; });
        edit([](HeicExportOptions& o) { o.resizeEnabled = true; });
        edit([](HeicExportOptions& o) { o.canvasPreset = HeicCanvasPreset::apple8k; });
        break;
    }
}

void ExportSheetModel::applyTargetDisplay(TargetDisplay display)
{
    switch (display) {
    case TargetDisplay::external:
        edit([](HeicExportOptions& o) { o.canvasPreset = HeicCanvasPreset::apple6k; });
        break;
    case TargetDisplay::custom:
        edit([](HeicExportOptions& o) { o.canvasPreset = HeicCanvasPreset::custom; });
        break;
    case TargetDisplay::thisMac: {
        const auto preset = options_.get().canvasPreset;
        if (preset == HeicCanvasPreset::apple6k || preset == HeicCanvasPreset::custom) {
            edit([](HeicExportOptions& o) { o.canvasPreset = HeicCanvasPreset::apple8k; });
        }
        break;
    }
    }
    edit([](HeicExportOptions& o) { o.resizeEnabled = true; });
}

void ExportSheetModel::settle()
{
    if (settling_) return;
    settling_ = true;
    const Watched before = seen_;
    // Each pass runs the reactions, in their fixed order, for the values changed since the last
    // pass; a pass that finds nothing changed ends the step.
    for (bool reacted = true; reacted;) {
        reacted = false;
        if (quality_ != seen_.quality) {
            seen_.quality = quality_;
            applyQuality(quality_);
            reacted = true;
        }
        if (targetDisplay_ != seen_.targetDisplay) {
            seen_.targetDisplay = targetDisplay_;
            applyTargetDisplay(targetDisplay_);
            reacted = true;
        }
        const auto& o = options_.get();
        if (o.upscaleEnabled != seen_.upscaleEnabled) {
            seen_.upscaleEnabled = o.upscaleEnabled;
            deriveQuality();
            reacted = true;
        }
        if (o.enableDither != seen_.enableDither) {
            seen_.enableDither = o.enableDither;
            deriveQuality();
            reacted = true;
        }
        if (o.canvasPreset != seen_.canvasPreset) {
            seen_.canvasPreset = o.canvasPreset;
            deriveTargetDisplay();
            reacted = true;
        }
    }
    settling_ = false;
    if (seen_.quality != before.quality || seen_.targetDisplay != before.targetDisplay) selectionsChanged_.notify();
}

bool ExportSheetModel::keepFramesDisabled() const
{
    const auto& o = options_.get();
    if (o.upscaleEnabled || o.enableDither) return false;
    if (!o.resizeEnabled) return true;
    switch (o.canvasPreset) {
    case HeicCanvasPreset::apple8k:
    case HeicCanvasPreset::apple6k:
        return false;
    case HeicCanvasPreset::custom:
        return !o.customCanvasSize();
    case HeicCanvasPreset::matchSource:
        return true;
    }
    return true;
}

std::optional<std::string> ExportSheetModel::validationMessage() const
{
    return options_.get().customSizeError();
}

std::string_view ExportSheetModel::dismissTitle(std::string_view statusMessage)
{
    return statusMessage.empty() ? "Cancel" : "Close";
}

} // namespace tl::ui
