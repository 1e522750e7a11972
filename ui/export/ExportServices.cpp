#include "ui/export/ExportWork.h"

#include "engine/HeicGenerator.h"
#include "engine/upscale/CoreMLUpscaleTool.h"
#include "engine/upscale/ModelLocation.h"
#include "engine/upscale/TileTimeProbe.h"

namespace tl::ui {

std::string missingUpscaleModelText(const std::vector<std::filesystem::path>& searched)
{
    std::string places;
    for (const auto& place : searched) {
        if (!places.empty()) places += " or ";
        places += place.lexically_normal().string();
    }
    return std::string("the upscaling model ") + upscaleModelFileName + " is not installed; it is expected at " + places
        + ". Switch off AI upscaling to export without it.";
}

ExportServices engineExportServices()
{
    return {
        .makeUpscaler = []() -> Result<std::shared_ptr<ImageUpscalingTool>, std::string> {
            if (!findUpscaleModel()) return missingUpscaleModelText(upscaleModelCandidates());
            auto model = RealESRGAN512::loadShipped();
            if (!model) return model.error().description();
            return std::shared_ptr<ImageUpscalingTool>(std::make_shared<CoreMLUpscaleTool>(std::move(model).value()));
        },
        .writeWallpaper
        = [](const std::vector<WallpaperImage>& images, WallpaperMode mode, const std::filesystem::path& output,
              const std::optional<HeicPreprocessConfig>& config, const ExportProgress& progress,
              std::stop_token stop) { return HeicGenerator().generate(images, mode, output, config, progress, stop); },
        .probeSecondsPerTile = [](const std::stop_token& stop) -> std::optional<double> {
            const auto model = findUpscaleModel();
            if (!model) return std::nullopt;
            return probeSecondsPerTile(*model, stop);
        },
    };
}

} // namespace tl::ui
