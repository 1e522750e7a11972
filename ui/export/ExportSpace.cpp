#include "ui/export/ExportSpace.h"

#include "engine/UpscalePlan.h"
#include "engine/upscale/CoreMLUpscaleTool.h"
#include "platform/ImageFileExtent.h"

#include <cmath>
#include <cstdio>

namespace tl::ui {
namespace {

// The most bytes a pixel took in this program's exports of photographs, detailed drawings and
// upscaled frames, with a margin: dithering adds noise the coder has to keep.
constexpr double bytesPerPixel = 0.3;
constexpr double bytesPerDitheredPixel = 0.8;
// The container, metadata and the thumbnail of the first frame.
constexpr std::uint64_t fixedBytes = 64 * 1024;

double framePixels(const WallpaperImage& image, const HeicExportOptions& options)
{
    if (const auto canvas = options.canvasTarget()) return canvas->width * canvas->height;
    const auto extent = image.sourcePath ? readImageFileExtent(*image.sourcePath) : std::nullopt;
    if (!extent) return 0;
    PixelSize size { static_cast<double>(extent->width), static_cast<double>(extent->height) };
    if (options.upscaleEnabled)
        size = UpscalePlan::make(options.upscaleStrategy, size, std::nullopt, { CoreMLUpscaleTool::scaleFactor })
                   .estimatedOutputSize;
    return size.width * size.height;
}

} // namespace

std::uint64_t estimatedWallpaperBytes(const std::vector<WallpaperImage>& images, const HeicExportOptions& options)
{
    const double perPixel = options.enableDither ? bytesPerDitheredPixel : bytesPerPixel;
    double bytes = fixedBytes;
    for (const WallpaperImage& image : images)
        bytes += framePixels(image, options) * perPixel;
    return static_cast<std::uint64_t>(std::ceil(bytes));
}

std::optional<std::string> lackOfSpace(const std::filesystem::path& output, std::uint64_t neededBytes)
{
    std::error_code error;
    const auto space = std::filesystem::space(output.parent_path(), error);
    if (error || space.available >= neededBytes) return std::nullopt;
    return "The wallpaper needs about " + byteCountText(neededBytes) + ", and the disk of "
        + output.parent_path().string() + " has " + byteCountText(space.available) + " free.";
}

std::string byteCountText(std::uint64_t bytes)
{
    constexpr const char* units[] = { "bytes", "KB", "MB", "GB", "TB" };
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1000 && unit + 1 < std::size(units)) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    if (unit == 0) {
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    } else {
        std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value, units[unit]);
    }
    return text;
}

} // namespace tl::ui
