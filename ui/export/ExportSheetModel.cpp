#include "ui/export/ExportSheetModel.h"

#include "engine/upscale/CoreMLUpscaleTool.h"
#include "engine/upscale/UpscaleEstimate.h"

#include <algorithm>
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
        return "This Computer";
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

constexpr std::string_view upscalerReady = "Upscaler ready (CPU)";

std::string sizeText(const PixelSize& size)
{
    return std::to_string(std::lround(size.width)) + "×" + std::to_string(std::lround(size.height));
}

// " of 820×512", " of 1920×1080, 820×512 and 640×400": the distinct sizes, in timeline order.
std::string sizesText(const std::vector<PixelSize>& sizes)
{
    std::vector<std::string> distinct;
    for (const auto& size : sizes) {
        const auto text = sizeText(size);
        if (std::ranges::find(distinct, text) == distinct.end()) distinct.push_back(text);
    }
    constexpr std::size_t named = 3;
    std::string text = " of ";
    for (std::size_t i = 0; i < std::min(distinct.size(), named); ++i) {
        if (i > 0) text += i + 1 == distinct.size() ? " and " : ", ";
        text += distinct[i];
    }
    if (distinct.size() > named) text += " and other sizes";
    return text;
}

std::string countText(int count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string tileTimeText(TileTime time)
{
    const std::string seconds = roughDuration(time.seconds) + " a tile";
    switch (time.source) {
    case TileTimeSource::lastExport:
        return seconds + " as measured in the last export";
    case TileTimeSource::probe:
        return seconds + " as measured on this computer";
    }
    return seconds;
}

} // namespace

std::string upscalerReadyText(int keyFrames, const std::optional<std::vector<PixelSize>>& frameSizes,
    const HeicExportOptions& options, std::optional<TileTime> tileTime, bool measuring)
{
    const std::string ready(upscalerReady);
    if (!tileTime) return measuring ? ready + " · measuring how fast this computer upscales…" : ready;
    const auto sizes = frameSizes.value_or(
        std::vector<PixelSize>(static_cast<std::size_t>(std::max(keyFrames, 0)), assumedFrameSize));
    if (sizes.empty()) return ready;
    const auto estimate = estimateUpscale(sizes, options.upscaleStrategy, options.canvasTarget(), tileTime->seconds);
    if (!estimate.withinLimit) return ready;
    const int frames = static_cast<int>(estimate.upscaledFrames.size());
    if (frames == 0) return ready + " · no frame needs upscaling for this canvas";
    const std::string passes = estimate.passes % frames == 0
        ? countText(estimate.passes / frames, "pass", "passes") + (frames > 1 ? " each" : "")
        : countText(estimate.passes, "pass", "passes") + " in all";
    return ready + " · " + (tileTime->source == TileTimeSource::lastExport ? "about " : "roughly ")
        + roughDuration(estimate.seconds) + " for " + countText(frames, "frame", "frames")
        + (frameSizes ? sizesText(estimate.upscaledFrames)
                      : " taken as " + sizeText(assumedFrameSize) + " until their sizes are read")
        + " (" + passes + ", " + countText(estimate.tiles, "tile", "tiles") + " at " + tileTimeText(*tileTime) + ")";
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

void ExportSheetModel::setKeyFrames(int count)
{
    keyFrames_ = count;
    keyFrameSizes_.reset();
}

void ExportSheetModel::setKeyFrameSizes(std::vector<NamedFrameSize> frames)
{
    keyFrameSizes_ = std::move(frames);
}

std::optional<std::string> ExportSheetModel::refusal() const
{
    const auto& o = options_.get();
    if (auto canvas = o.customCanvasRefusal()) return canvas;
    if (!keyFrameSizes_) return std::nullopt;
    return frameBeyondCanvasLimit(*keyFrameSizes_, o.canvasTarget(),
        o.upscaleEnabled ? o.upscaleStrategy : HeicUpscaleStrategy::off, { CoreMLUpscaleTool::scaleFactor });
}

bool ExportSheetModel::showsUpscalerLine() const
{
    return options_.get().upscaleEnabled || refusal();
}

std::string ExportSheetModel::upscalerLine(std::optional<TileTime> tileTime, bool measuring) const
{
    if (const auto refused = refusal())
        return options_.get().upscaleEnabled ? std::string(upscalerReady) + " · " + *refused : *refused;
    std::optional<std::vector<PixelSize>> sizes;
    if (keyFrameSizes_) {
        sizes.emplace();
        for (const auto& frame : *keyFrameSizes_)
            sizes->push_back(frame.size);
    }
    return upscalerReadyText(keyFrames_, sizes, options_.get(), tileTime, measuring);
}

std::string_view ExportSheetModel::dismissTitle(std::string_view statusMessage)
{
    return statusMessage.empty() ? "Cancel" : "Close";
}

} // namespace tl::ui
