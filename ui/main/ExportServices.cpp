#include "ui/main/ExportWork.h"

#include "engine/HeicGenerator.h"
#include "engine/upscale/CoreMLUpscaleTool.h"

namespace tl::ui {

ExportServices engineExportServices()
{
    return {
        .makeUpscaler = []() -> Result<std::shared_ptr<ImageUpscalingTool>, std::string> {
            auto model = RealESRGAN512::loadShipped();
            if (!model) return model.error().description();
            return std::shared_ptr<ImageUpscalingTool>(std::make_shared<CoreMLUpscaleTool>(std::move(model).value()));
        },
        .writeWallpaper
        = [](const std::vector<WallpaperImage>& images, WallpaperMode mode, const std::filesystem::path& output,
              const std::optional<HeicPreprocessConfig>& config, const ExportProgress& progress,
              std::stop_token stop) { return HeicGenerator().generate(images, mode, output, config, progress, stop); },
    };
}

} // namespace tl::ui
