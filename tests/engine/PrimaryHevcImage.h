#pragma once

#include "engine/HevcCodedImage.h"

#include <optional>
#include <string_view>

namespace tl::test {

// The coded primary image of a whole HEIF file held in memory, as libheif writes it: parameter sets
// from its hvcC property, then the length-prefixed units of its item data. Nothing when the file
// is not such a file (truncated, no HEVC primary image, data outside the file).
std::optional<HevcCodedImage> primaryHevcImage(std::string_view file);

} // namespace tl::test
