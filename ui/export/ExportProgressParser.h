#pragma once

#include "app/ExportFrameInfo.h"

#include <string_view>
#include <vector>

namespace tl::ui {

// Turns one progress message of the wallpaper writer into per-frame states. An upscaling run's
// line ("Upscaling frames 1 and 3 of 5 · tile ...") puts the key frames it names in work and
// completes the earlier ones and those it no longer names. The frame messages ("Upscaling frame
// n/m ...", "Preprocessed frame n/m") name the n-th key frame (from 1): earlier key frames are
// complete and that one is in work. "Regenerating tweens"
// completes the key frames and starts every tween blending; "Encoded image" completes all.
// Other messages change nothing. Returns whether any row changed.
bool applyExportMessage(std::vector<ExportFrameInfo>& frames, std::string_view message);

} // namespace tl::ui
