#include "cli/ExportCommand.h"

#include "app/ProjectPackage.h"
#include "platform/ImageFileExtent.h"
#include "platform/Uuid.h"
#include "ui/export/ExportSheetModel.h"
#include "ui/export/ExportWork.h"

#include <mutex>

namespace tl::cli {
namespace {

namespace fs = std::filesystem;

ui::ExportQuality quality(const std::string& name)
{
    if (name == "standard") return ui::ExportQuality::standard;
    if (name == "ultra") return ui::ExportQuality::ultra;
    return ui::ExportQuality::high;
}

void applyCanvas(HeicExportOptions& options, const std::string& canvas)
{
    options.resizeEnabled = true;
    if (canvas == "8k") {
        options.canvasPreset = HeicCanvasPreset::apple8k;
    } else if (canvas == "6k") {
        options.canvasPreset = HeicCanvasPreset::apple6k;
    } else if (canvas == "source") {
        options.canvasPreset = HeicCanvasPreset::matchSource;
    } else {
        const auto x = canvas.find('x');
        options.canvasPreset = HeicCanvasPreset::custom;
        options.customWidth = canvas.substr(0, x);
        options.customHeight = canvas.substr(x + 1);
    }
}

std::vector<NamedFrameSize> keyFrameSizes(const std::vector<WallpaperImage>& images)
{
    std::vector<NamedFrameSize> frames;
    for (const auto& image : images) {
        if (image.isTween || !image.sourcePath) continue;
        if (const auto extent = readImageFileExtent(*image.sourcePath); extent && extent->width > 0)
            frames.push_back({ fs::path(*image.sourcePath).filename().string(),
                { static_cast<double>(extent->width), static_cast<double>(extent->height) } });
    }
    return frames;
}

} // namespace

Result<HeicExportOptions, CommandFailure> exportOptionsFor(
    const ExportCommand& command, const std::vector<WallpaperImage>& images)
{
    Observable<HeicExportOptions> options;
    ui::ExportSheetModel sheet(options);
    sheet.appear();
    if (command.quality) sheet.setQuality(quality(*command.quality));
    if (command.canvas) sheet.edit([&](HeicExportOptions& o) { applyCanvas(o, *command.canvas); });
    if (command.upscale) sheet.edit([&](HeicExportOptions& o) { o.upscaleEnabled = *command.upscale; });
    if (command.dither) sheet.edit([](HeicExportOptions& o) { o.enableDither = true; });
    const auto keyFrames = keyFrameSizes(images);
    sheet.setKeyFrames(static_cast<int>(keyFrames.size()));
    sheet.setKeyFrameSizes(keyFrames);
    if (const auto message = sheet.validationMessage()) return CommandFailure { *message };
    if (const auto refused = sheet.refusal()) return CommandFailure { *refused };
    return sheet.options();
}

Result<void, CommandFailure> runExport(const ExportCommand& command, ProgressLine& progress)
{
    auto opened = readPackage(command.package);
    if (!opened) return CommandFailure { opened.error().description };
    const Project& project = opened.value().project;
    const auto& missing = opened.value().missingFileNames;
    if (!missing.empty()) {
        std::string list;
        for (const auto& name : missing)
            list += "\n  " + name;
        return CommandFailure { "The following images could not be found:" + list };
    }
    auto options = exportOptionsFor(command, project.images);
    if (!options) return options.error();

    const ui::ExportJob job { project.images, project.mode, command.output, options.value() };
    // Written beside the output and renamed into place, as the window does, so a failed run leaves
    // no half file under the chosen name.
    const fs::path partial = command.output.parent_path() / (".tidelumine-" + Uuid::random().text() + ".partial.heic");
    // The writer reports from several threads.
    std::mutex reporting;
    int lastCurrent = 0, lastTotal = 0;
    const auto status = [&](const std::string& message) {
        const std::lock_guard lock(reporting);
        progress.report(lastCurrent, lastTotal, message);
    };
    const auto report = [&](int current, int total, const std::string& message) {
        const std::lock_guard lock(reporting);
        lastCurrent = current;
        lastTotal = total;
        progress.report(current, total, message);
    };
    const auto end = ui::runExportWorkCatching(job, partial, ui::engineExportServices(), status, report, {});
    progress.finish();
    std::error_code error;
    if (end.kind != ui::ExportEnd::Kind::succeeded) {
        fs::remove(partial, error);
        return CommandFailure { end.message };
    }
    fs::rename(partial, command.output, error);
    if (error) {
        fs::remove(partial, error);
        return CommandFailure { "Could not move the wallpaper to " + command.output.string() + ": " + error.message() };
    }
    return {};
}

} // namespace tl::cli
