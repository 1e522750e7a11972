#pragma once

#include "model/WallpaperImage.h"
#include "platform/Result.h"
#include "ui/generation/RunError.h"

#include <filesystem>
#include <vector>

namespace tl::ui {

class RunChannel;

// Where the progress of a tween pass starts and what it counts towards.
struct TweenPassCounts {
    int completed;
    int total;
};

// The base name of a key image's tween files: "phase_3.png" gives "phase_3_png_tween".
std::string tweenBaseName(const std::string& fileName);

// Blends `count` tweens from each key image to the next (the last to the first, a lone one to
// itself) into a subfolder of `folder` named by the key's id, puts each pair's tweens right behind
// their key and publishes the growing timeline after every pair. Returns the whole timeline.
Result<std::vector<WallpaperImage>, RunError> runTweenPass(const std::vector<WallpaperImage>& keys,
    const std::filesystem::path& folder, int count, TweenPassCounts counts, const RunChannel& channel);

} // namespace tl::ui
