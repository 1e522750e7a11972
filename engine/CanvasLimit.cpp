#include "engine/CanvasLimit.h"

#include "engine/UpscalePlan.h"
#include "platform/ImageFileExtent.h"

#include <cmath>

namespace tl {
namespace {

std::string sizeText(PixelSize size)
{
    return std::to_string(std::llround(size.width)) + " × " + std::to_string(std::llround(size.height)) + " pixels";
}

std::string beyondLimit(const std::string& what, PixelSize size)
{
    return what + " " + sizeText(size) + ", more than the largest frame an export can prepare (" + canvasLimitText()
        + "). Choose a smaller canvas or turn upscaling off.";
}

} // namespace

bool fitsCanvasLimit(PixelSize size)
{
    return std::isfinite(size.width) && std::isfinite(size.height)
        && !isTooLargeToDecode({ std::llround(size.width), std::llround(size.height) });
}

std::string canvasLimitText()
{
    const auto side = std::llround(std::sqrt(static_cast<double>(largestImagePixels)));
    return std::to_string(side) + " × " + std::to_string(side) + " pixels";
}

std::optional<std::string> frameBeyondCanvasLimit(
    const std::vector<WallpaperImage>& images, const HeicPreprocessConfig& config)
{
    if (config.targetSize && !fitsCanvasLimit(*config.targetSize))
        return beyondLimit("The canvas is", *config.targetSize);
    if (!config.upscaler || config.upscaleStrategy == HeicUpscaleStrategy::off) return std::nullopt;
    const auto scales = config.upscaler->supportedScales();
    for (const WallpaperImage& image : images) {
        const auto extent = image.sourcePath ? readImageFileExtent(*image.sourcePath) : std::nullopt;
        if (!extent) continue; // the frame's own decode reports what is wrong with it
        PixelSize size { static_cast<double>(extent->width), static_cast<double>(extent->height) };
        for (const auto& step : UpscalePlan::make(config.upscaleStrategy, size, config.targetSize, scales).steps) {
            size = { size.width * step.scale, size.height * step.scale };
            if (!fitsCanvasLimit(size)) return beyondLimit(image.fileName + " would be upscaled to", size);
        }
    }
    return std::nullopt;
}

} // namespace tl
