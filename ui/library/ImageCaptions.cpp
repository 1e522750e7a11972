#include "ui/library/ImageCaptions.h"

#include "ui/common/NumberFormat.h"

#include <array>
#include <cmath>

namespace tl::ui {
namespace {

struct PresetRule {
    std::string_view label;
    double altitude;
    double altitudeTolerance;
    std::optional<double> azimuth; // none: any azimuth
};

constexpr std::array presetRules {
    PresetRule { "Night", -30, 1, std::nullopt },
    PresetRule { "Astronomical", -15, 1, 90 },
    PresetRule { "Nautical", -9, 1, 90 },
    PresetRule { "Civil", -3, 1, 90 },
    PresetRule { "Golden AM", 5, 1, 90 },
    PresetRule { "Morning", 20, 1, 120 },
    PresetRule { "Midday", 60, 1, 180 },
    PresetRule { "Afternoon", 20, 1, 240 },
    PresetRule { "Golden PM", 5, 1, 270 },
    PresetRule { "Sunset", -0.8, 0.6, 270 },
    PresetRule { "Dusk", -3, 1, 270 },
};

} // namespace

std::optional<std::string_view> presetLabel(const WallpaperImage& image, WallpaperMode mode)
{
    if (mode != WallpaperMode::time) return std::nullopt;
    const double altitude = image.altitude.value_or(0);
    const double azimuth = image.azimuth.value_or(0);
    for (const auto& rule : presetRules) {
        if (std::abs(altitude - rule.altitude) >= rule.altitudeTolerance) continue;
        if (rule.azimuth && std::abs(azimuth - *rule.azimuth) >= 5) continue;
        return rule.label;
    }
    return std::nullopt;
}

QString imageCaption(const WallpaperImage& image, WallpaperMode mode)
{
    if (mode == WallpaperMode::appearance) {
        return image.isLight.value_or(true) ? QStringLiteral("Light") : QStringLiteral("Dark");
    }
    return sunPositionCaption(image.altitude, image.azimuth);
}

} // namespace tl::ui
