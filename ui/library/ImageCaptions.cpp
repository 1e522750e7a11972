#include "ui/library/ImageCaptions.h"

#include "app/TimeOfDayTable.h"
#include "ui/common/NumberFormat.h"

namespace tl::ui {

std::optional<std::string_view> presetLabel(const WallpaperImage& image, WallpaperMode mode)
{
    if (mode != WallpaperMode::time) return std::nullopt;
    const auto* row = matchingTimeOfDayRow(image.altitude.value_or(0), image.azimuth.value_or(0));
    if (!row) return std::nullopt;
    return row->label;
}

QString imageCaption(const WallpaperImage& image, WallpaperMode mode)
{
    if (mode == WallpaperMode::appearance) {
        return image.isLight.value_or(true) ? QStringLiteral("Light") : QStringLiteral("Dark");
    }
    return sunPositionCaption(image.altitude, image.azimuth);
}

} // namespace tl::ui
