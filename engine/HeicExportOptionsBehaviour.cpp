#include "engine/HeicExportOptions.h"

#include "engine/CustomCanvasSize.h"
#include "platform/UserFolders.h"
#include "platform/Uuid.h"

#include <ctime>

namespace tl {
namespace {

namespace fs = std::filesystem;

std::string localTimestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

} // namespace

std::optional<PixelSize> HeicExportOptions::customCanvasSize() const
{
    auto size = readCustomCanvas(customWidth, customHeight);
    if (!size) return std::nullopt;
    return size.value();
}

std::optional<std::string> HeicExportOptions::customSizeError() const
{
    if (customCanvasRefusal()) return "Enter a valid custom canvas size.";
    return std::nullopt;
}

std::optional<std::string> HeicExportOptions::customCanvasRefusal() const
{
    if (!resizeEnabled || canvasPreset != HeicCanvasPreset::custom) return std::nullopt;
    auto size = readCustomCanvas(customWidth, customHeight);
    if (size) return std::nullopt;
    return size.error();
}

std::optional<PixelSize> HeicExportOptions::canvasTarget() const
{
    if (!resizeEnabled) return std::nullopt;
    switch (canvasPreset) {
    case HeicCanvasPreset::apple8k:
        return PixelSize { 7680, 4320 };
    case HeicCanvasPreset::apple6k:
        return PixelSize { 6016, 3384 };
    case HeicCanvasPreset::custom:
        return customCanvasSize();
    case HeicCanvasPreset::matchSource:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<HeicPreprocessConfig> HeicExportOptions::makePreprocessConfig(
    std::shared_ptr<ImageUpscalingTool> upscaler) const
{
    const std::optional<PixelSize> target = canvasTarget();
    if (!target && !upscaleEnabled && !enableDither) return std::nullopt;
    HeicPreprocessConfig config {
        .targetSize = target,
        .upscaleStrategy = upscaleEnabled ? upscaleStrategy : HeicUpscaleStrategy::off,
        .enableDither = enableDither,
        .upscaler = upscaleEnabled ? std::move(upscaler) : nullptr,
        .outputDirectory = {},
        .keepPreprocessedFrames = keepPreprocessedFrames,
    };
    if (config.enablesNothing()) return std::nullopt;
    config.outputDirectory = preprocessOutputDirectory();
    return config;
}

fs::path HeicExportOptions::preprocessOutputDirectory() const
{
    if (!keepPreprocessedFrames)
        return fs::temp_directory_path() / (std::string(temporaryPreprocessPrefix) + Uuid::random().text());
    const fs::path base = userDataFolder().value_or(fs::temp_directory_path());
    // Two kept exports in the same second get folders of their own.
    return unusedPath(base / "Tidelumine AI" / "Preprocessed" / localTimestamp());
}

void removeStalePreprocessFolders(const fs::path& temporaryFolder, std::chrono::hours olderThan)
{
    const auto cutoff = fs::file_time_type::clock::now() - olderThan;
    std::error_code error;
    for (fs::directory_iterator entry(temporaryFolder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::error_code ignored;
        if (!name.starts_with(temporaryPreprocessPrefix)
            || !Uuid::parse(std::string_view(name).substr(temporaryPreprocessPrefix.size()))
            || !fs::is_directory(entry->symlink_status(ignored)) || entry->last_write_time(ignored) > cutoff)
            continue;
        fs::remove_all(entry->path(), ignored);
    }
}

} // namespace tl
