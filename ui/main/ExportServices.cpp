#include "ui/main/ExportWork.h"

#include "engine/HeicGenerator.h"

#include <QCoreApplication>

namespace tl::ui {
namespace {

// Where an installed program keeps its upscaling model.
std::filesystem::path expectedModelFile()
{
    const std::filesystem::path programFolder = QCoreApplication::applicationDirPath().toStdString();
    return (programFolder / ".." / "share" / "tidelumine" / "models" / "realesrgan512.onnx").lexically_normal();
}

} // namespace

ExportServices engineExportServices()
{
    return {
        .makeUpscaler = []() -> Result<std::shared_ptr<ImageUpscalingTool>, std::string> {
            const auto model = expectedModelFile();
            return "the upscaling model " + model.filename().string() + " is not installed (expected at "
                + model.string() + "). Switch off AI upscaling to export without it.";
        },
        .writeWallpaper
        = [](const std::vector<WallpaperImage>& images, WallpaperMode mode, const std::filesystem::path& output,
              const std::optional<HeicPreprocessConfig>& config, const ExportProgress& progress,
              std::stop_token stop) { return HeicGenerator().generate(images, mode, output, config, progress, stop); },
    };
}

} // namespace tl::ui
