#include "ui/export/ExportProgressLayout.h"

#include <algorithm>
#include <utility>

namespace tl::ui {

std::vector<FrameGroup> groupExportFrames(const std::vector<ExportFrameInfo>& frames)
{
    std::vector<FrameGroup> groups;
    std::vector<ExportFrameInfo> pending;
    for (const auto& frame : frames) {
        if (!frame.isKeyFrame) {
            pending.push_back(frame);
            continue;
        }
        if (!pending.empty()) groups.emplace_back(TweenGroup { std::exchange(pending, {}) });
        groups.emplace_back(KeyFrameGroup { frame });
    }
    if (!pending.empty()) groups.emplace_back(TweenGroup { std::move(pending) });
    return groups;
}

std::size_t keyFrameCount(const std::vector<ExportFrameInfo>& frames)
{
    return static_cast<std::size_t>(std::ranges::count(frames, true, &ExportFrameInfo::isKeyFrame));
}

double keyCellSize(const std::vector<ExportFrameInfo>& frames)
{
    constexpr double contentWidth = 736;
    constexpr double spacing = 6;
    constexpr double largestMarker = 20;
    const auto keys = static_cast<double>(keyFrameCount(frames));
    const double gaps = std::max(keys - 1, 0.0);
    const double items = keys + gaps;
    const double size = (contentWidth - spacing * (items - 1) - largestMarker * gaps) / std::max(keys, 1.0);
    return std::min(std::max(size, 40.0), 80.0);
}

double tweenMarkerSize(double cellSize)
{
    return std::min(cellSize * 0.4, 20.0);
}

ExportFrameStatus tweenGroupStatus(const std::vector<ExportFrameInfo>& tweens)
{
    const auto inWork = [](const ExportFrameInfo& frame) {
        return frame.status == ExportFrameStatus::upscaling || frame.status == ExportFrameStatus::blending;
    };
    if (std::ranges::any_of(tweens, inWork)) return ExportFrameStatus::blending;
    const auto done = [](const ExportFrameInfo& frame) { return frame.status == ExportFrameStatus::complete; };
    if (std::ranges::all_of(tweens, done)) return ExportFrameStatus::complete;
    return ExportFrameStatus::pending;
}

} // namespace tl::ui
