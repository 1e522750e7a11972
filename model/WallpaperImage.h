#pragma once

#include "platform/Uuid.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tl {

class Image;

// One frame of the timeline. Frames are matched by `id` only, never compared whole.
// Fields without an initializer must be given by the creator; the rest may be left out.
struct WallpaperImage {
    Uuid id;
    std::string fileName;
    std::optional<double> altitude {};
    std::optional<double> azimuth {};
    std::optional<bool> isLight {};
    bool isTween = false;
    std::optional<Uuid> parentId {};
    std::optional<std::int64_t> tweenCount {};

    // Held in memory only; the project file never carries these.
    std::optional<std::string> sourcePath {};
    std::shared_ptr<const Image> thumbnail {};
    std::optional<double> timeOfDay {};
};

// Position of the first frame with `id`, if any.
inline std::optional<std::size_t> indexOfImage(const std::vector<WallpaperImage>& images, const Uuid& id)
{
    const auto found = std::ranges::find(images, id, &WallpaperImage::id);
    if (found == images.end()) return std::nullopt;
    return static_cast<std::size_t>(found - images.begin());
}

} // namespace tl
