#pragma once

#include "platform/Image.h"

#include <filesystem>
#include <memory>

namespace tl {

// Long side of the previews frames keep in memory; undo snapshots share them,
// so full-resolution frames must never be held here.
inline constexpr int thumbnailMaximumSide = 512;

// A preview of the image file; none when the file cannot be decoded.
inline std::shared_ptr<const Image> loadThumbnail(const std::filesystem::path& file)
{
    return Image::loadPreview(file, thumbnailMaximumSide);
}

} // namespace tl
