#pragma once

#include "engine/EngineError.h"
#include "engine/HeicFrameSource.h"
#include "model/WallpaperImage.h"
#include "platform/Result.h"

#include <filesystem>
#include <functional>
#include <stop_token>
#include <vector>

namespace tl {

// Where a tween sits between its key frames by sun altitude, 0 ... 1; 0.5 when an altitude is missing
// or the key frames share one.
double tweenBlendFactor(const WallpaperImage& tween, const WallpaperImage& previous, const WallpaperImage& next);

// Blends every tween again from its neighbouring prepared key frames (searching past either end of the
// timeline) into `folder`, at most four at once, decoding each key frame once and dropping it when no
// tween needs it any more. A later key frame of another size is stretched to the earlier one's.
// `onBlended` hears each finished tween, one at a time, in completion order. Frames return in the
// order of `tweens`.
Result<std::vector<HeicFrameSource>, EngineError> regenerateTweens(const std::vector<WallpaperImage>& tweens,
    const std::vector<WallpaperImage>& images, const std::vector<HeicFrameSource>& keyFrames,
    const std::filesystem::path& folder, const std::function<void(int done)>& onBlended, std::stop_token stop);

} // namespace tl
