#pragma once

#include "engine/HeicPreprocessConfig.h"
#include "engine/PixelSize.h"
#include "model/WallpaperImage.h"

#include <optional>
#include <string>
#include <vector>

namespace tl {

// The largest frame an export prepares: the bound every picture is decoded under, so each
// working file an export writes is read back under the limit it was written under.
bool fitsCanvasLimit(PixelSize size);

// The limit as the user reads it: "16384 × 16384 pixels".
std::string canvasLimitText();

// The first frame this preparation would take beyond the limit (its canvas, or any upscaling pass
// planned for it), as a text naming the frame, the size and the limit; none when every frame fits.
// Reads only the pictures' headers, so it can refuse an export before any frame is prepared.
std::optional<std::string> frameBeyondCanvasLimit(
    const std::vector<WallpaperImage>& images, const HeicPreprocessConfig& config);

} // namespace tl
