#include "engine/HeicExportOptions.h"

#include "platform/UserFolders.h"
#include "platform/Uuid.h"

#include <clocale>
#include <cmath>
#include <ctime>
#include <locale.h>
#include <stdlib.h>

namespace tl {
namespace {

namespace fs = std::filesystem;

// Numbers are read as the C library reads them in the C locale, whatever the process locale is, so
// "1,5" is refused everywhere.
std::optional<double> parseCanvasSide(std::string_view text)
{
    constexpr std::string_view blanks = " \t\n\r\v\f";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return std::nullopt;
    const std::string trimmed(text.substr(first, text.find_last_not_of(blanks) - first + 1));
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t {});
    char* end = nullptr;
    const double value = strtod_l(trimmed.c_str(), &end, cLocale);
    // A NUL inside the text also stops the reading early and is refused here.
    if (end != trimmed.c_str() + trimmed.size() || !std::isfinite(value)) return std::nullopt;
    const double pixels = std::round(value);
    if (pixels < 1 || pixels > maximumCanvasSide) return std::nullopt;
    return pixels;
}

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
    const auto width = parseCanvasSide(customWidth);
    if (!width) return std::nullopt;
    const auto height = parseCanvasSide(customHeight);
    if (!height) return std::nullopt;
    return PixelSize { *width, *height };
}

std::optional<std::string> HeicExportOptions::customSizeError() const
{
    if (resizeEnabled && canvasPreset == HeicCanvasPreset::custom && !customCanvasSize())
        return "Enter a valid custom canvas size.";
    return std::nullopt;
}

std::optional<HeicPreprocessConfig> HeicExportOptions::makePreprocessConfig(
    std::shared_ptr<ImageUpscalingTool> upscaler) const
{
    std::optional<PixelSize> target;
    if (resizeEnabled) {
        switch (canvasPreset) {
        case HeicCanvasPreset::apple8k:
            target = PixelSize { 7680, 4320 };
            break;
        case HeicCanvasPreset::apple6k:
            target = PixelSize { 6016, 3384 };
            break;
        case HeicCanvasPreset::custom:
            target = customCanvasSize();
            break;
        case HeicCanvasPreset::matchSource:
            break;
        }
    }
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
    if (!keepPreprocessedFrames) return fs::temp_directory_path() / ("TidelumineAIPreprocess-" + Uuid::random().text());
    const fs::path base = userDataFolder().value_or(fs::temp_directory_path());
    // Two kept exports in the same second get folders of their own.
    return unusedPath(base / "Tidelumine AI" / "Preprocessed" / localTimestamp());
}

} // namespace tl
