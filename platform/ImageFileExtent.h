#pragma once

#include "platform/ImageExtent.h"

#include <filesystem>
#include <optional>

namespace tl {

// The stored pixel size of a picture file, read from its header without decoding a pixel (HEIF
// through libheif's box parsing); none when the header does not say.
std::optional<ImageExtent> readImageFileExtent(const std::filesystem::path& path);

} // namespace tl
