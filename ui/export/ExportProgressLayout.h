#pragma once

#include "app/ExportFrameInfo.h"

#include <variant>
#include <vector>

namespace tl::ui {

// The frame strip of a running export: each key frame a tile, each run of tweens one marker.
struct KeyFrameGroup {
    ExportFrameInfo frame;
};
struct TweenGroup {
    std::vector<ExportFrameInfo> tweens; // never empty
};
using FrameGroup = std::variant<KeyFrameGroup, TweenGroup>;

std::vector<FrameGroup> groupExportFrames(const std::vector<ExportFrameInfo>& frames);

std::size_t keyFrameCount(const std::vector<ExportFrameInfo>& frames);

// Side of a key tile, so that the tiles and one marker between each two fit the sheet's
// 736-point content width, kept within 40...80.
double keyCellSize(const std::vector<ExportFrameInfo>& frames);

// Diameter of a tween marker for a given tile side.
double tweenMarkerSize(double keyCellSize);

// One state for a run of tweens: in work when any is, complete when all are, else pending.
ExportFrameStatus tweenGroupStatus(const std::vector<ExportFrameInfo>& tweens);

} // namespace tl::ui
