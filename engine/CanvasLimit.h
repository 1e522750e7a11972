#pragma once

#include "engine/HeicPreprocessConfig.h"
#include "engine/PixelSize.h"
#include "model/WallpaperImage.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tl {

// The largest frame an export prepares: the bound every picture is decoded under, so each
// working file an export writes is read back under the limit it was written under. Any size,
// however large, is compared as it is.
bool fitsCanvasLimit(PixelSize size);

// The limit as the user reads it: "16384 × 16384 pixels".
std::string canvasLimitText();

// A frame as its picture's header gives it: the name the messages use and its stored size.
struct NamedFrameSize {
    std::string name;
    PixelSize size;
};

// The first thing an export with this canvas and these passes would take beyond the limit: the
// canvas, or a frame after one of its planned passes, as a text naming it, the size and the
// limit; none when everything fits.
std::optional<std::string> frameBeyondCanvasLimit(const std::vector<NamedFrameSize>& frames,
    std::optional<PixelSize> targetSize, HeicUpscaleStrategy strategy, const std::set<int>& supportedScales);

// The same for this preparation of these frames. Reads only the pictures' headers, so it can
// refuse an export before any frame is prepared.
std::optional<std::string> frameBeyondCanvasLimit(
    const std::vector<WallpaperImage>& images, const HeicPreprocessConfig& config);

} // namespace tl
