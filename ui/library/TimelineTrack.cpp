#include "ui/library/TimelineTrack.h"

#include <algorithm>
#include <cmath>

namespace tl::ui::timeline_track {

std::optional<std::size_t> indexForHour(double hour, std::size_t count)
{
    if (count == 0) return std::nullopt;
    const double h = std::isfinite(hour) ? std::clamp(hour, 0.0, 24.0) : 0.0;
    const double position = std::round(h / 24.0 * static_cast<double>(count - 1));
    return std::clamp<std::size_t>(static_cast<std::size_t>(position), 0, count - 1);
}

std::vector<std::size_t> nonTweenIndices(const std::vector<WallpaperImage>& images)
{
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (!images[i].isTween) indices.push_back(i);
    }
    return indices;
}

std::vector<std::size_t> sampledIndices(const std::vector<WallpaperImage>& images, double width)
{
    const std::size_t n = images.size();
    if (n == 0) return {};
    if (n == 1) return { 0 };

    const auto keys = nonTweenIndices(images);
    const std::size_t keyCount = keys.size();
    const auto slotsForWidth = static_cast<std::size_t>(std::max(1.0, std::trunc(std::max(width, 0.0) / slotWidth)));
    const std::size_t slotCount = std::max(keyCount, slotsForWidth);
    if (slotCount == 1) return { 0 };

    const double lastImage = static_cast<double>(n - 1);
    const double lastSlot = static_cast<double>(slotCount - 1);
    std::vector<std::optional<std::size_t>> slots(slotCount);

    // Key images first: each takes the slot nearest its position, after the previous key
    // image's slot, and early enough to leave a slot for each key image still to come.
    std::ptrdiff_t previous = -1;
    for (std::size_t j = 0; j < keyCount; ++j) {
        const double target = std::round(static_cast<double>(keys[j]) / std::max(lastImage, 1.0) * lastSlot);
        const auto latest = static_cast<std::ptrdiff_t>(slotCount - (keyCount - j));
        const auto slot = std::min(std::max(previous + 1, static_cast<std::ptrdiff_t>(target)), latest);
        slots[static_cast<std::size_t>(slot)] = keys[j];
        previous = slot;
    }
    for (std::size_t i = 0; i < slotCount; ++i) {
        if (!slots[i]) slots[i] = static_cast<std::size_t>(std::round(static_cast<double>(i) / lastSlot * lastImage));
    }

    std::vector<std::size_t> result;
    for (const auto& slot : slots) {
        if (*slot < n) result.push_back(*slot);
    }
    return result;
}

double playheadX(double hour, double width)
{
    const double w = std::max(width, 1.0);
    const double x = w * (hour / 24.0);
    return std::min(std::max(x, 5.0), w - 5);
}

double hourAt(double x, double width)
{
    const double w = std::max(width, 1.0);
    return std::clamp(x, 0.0, w) / w * 24.0;
}

} // namespace tl::ui::timeline_track
