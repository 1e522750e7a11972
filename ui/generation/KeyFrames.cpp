#include "ui/generation/KeyFrames.h"

#include "app/Thumbnail.h"
#include "platform/FileReplacement.h"

namespace tl::ui {

Result<void, RunError> makeFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return RunError(RunFileError { folder, error });
    return {};
}

Result<WallpaperImage, RunError> saveKeyFrame(
    const std::string& bytes, const std::filesystem::path& file, const TimeOfDayRow& row)
{
    if (const auto written = replaceFileWithBytes(file, bytes)) return RunError(RunFileError { file, written });
    // The record holds a preview only: full-size frames stay on disk.
    auto picture = loadThumbnail(file);
    if (!picture) return RunError(GenerationFailure(ImageGenerationError::decodeFailed()));
    return WallpaperImage {
        .id = Uuid::random(),
        .fileName = file.filename().string(),
        .altitude = row.altitude,
        .azimuth = row.azimuth,
        .sourcePath = file.string(),
        .thumbnail = std::move(picture),
    };
}

} // namespace tl::ui
