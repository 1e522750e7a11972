#include "engine/CanvasLimit.h"

#include "engine/UpscalePlan.h"
#include "platform/ImageFileExtent.h"

#include <cmath>
#include <cstdio>

namespace tl {
namespace {

// Printed from the double: a header may claim a side that no 64-bit integer holds.
std::string sideText(double side)
{
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", side);
    return text;
}

std::string sizeText(PixelSize size)
{
    return sideText(size.width) + " × " + sideText(size.height) + " pixels";
}

std::string beyondLimit(const std::string& what, PixelSize size)
{
    return what + " " + sizeText(size) + ", more than the largest frame an export can prepare (" + canvasLimitText()
        + "). Choose a smaller canvas or turn upscaling off.";
}

} // namespace

bool fitsCanvasLimit(PixelSize size)
{
    // Compared before any rounding to an integer, which would wrap for sides past its range.
    const double width = std::round(size.width);
    const double height = std::round(size.height);
    return std::isfinite(width) && std::isfinite(height) && width <= static_cast<double>(largestImageSide)
        && height <= static_cast<double>(largestImageSide) && width * height <= static_cast<double>(largestImagePixels);
}

std::string canvasLimitText()
{
    const auto side = std::llround(std::sqrt(static_cast<double>(largestImagePixels)));
    return std::to_string(side) + " × " + std::to_string(side) + " pixels";
}

std::optional<std::string> frameBeyondCanvasLimit(const std::vector<NamedFrameSize>& frames,
    std::optional<PixelSize> targetSize, HeicUpscaleStrategy strategy, const std::set<int>& supportedScales)
{
    if (targetSize && !fitsCanvasLimit(*targetSize)) return beyondLimit("The canvas is", *targetSize);
    for (const NamedFrameSize& frame : frames) {
        PixelSize size = frame.size;
        for (const auto& step : UpscalePlan::make(strategy, size, targetSize, supportedScales).steps) {
            size = { size.width * step.scale, size.height * step.scale };
            if (!fitsCanvasLimit(size)) return beyondLimit(frame.name + " would be upscaled to", size);
        }
    }
    return std::nullopt;
}

std::optional<std::string> frameBeyondCanvasLimit(
    const std::vector<WallpaperImage>& images, const HeicPreprocessConfig& config)
{
    const bool upscales = config.upscaler && config.upscaleStrategy != HeicUpscaleStrategy::off;
    std::vector<NamedFrameSize> frames;
    for (const WallpaperImage& image : images) {
        const auto extent = upscales && image.sourcePath ? readImageFileExtent(*image.sourcePath) : std::nullopt;
        if (!extent) continue; // the frame's own decode reports what is wrong with it
        frames.push_back(
            { image.fileName, { static_cast<double>(extent->width), static_cast<double>(extent->height) } });
    }
    return frameBeyondCanvasLimit(frames, config.targetSize, config.upscaleStrategy,
        upscales ? config.upscaler->supportedScales() : std::set<int> {});
}

} // namespace tl
