#pragma once

#include "platform/Uuid.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tl {

class Image;

// One frame of the timeline. Frames are matched by `id` only, never compared whole.
// Fields without an initializer must be given by the creator; the rest may be left out.
struct WallpaperImage {
    Uuid id;
    std::string fileName;
    std::optional<double> altitude{};
    std::optional<double> azimuth{};
    std::optional<bool> isLight{};
    bool isTween = false;
    std::optional<Uuid> parentId{};
    std::optional<std::int64_t> tweenCount{};

    // Held in memory only; the project file never carries these.
    std::optional<std::string> sourcePath{};
    std::shared_ptr<const Image> thumbnail{};
    std::optional<double> timeOfDay{};
};

}  // namespace tl
