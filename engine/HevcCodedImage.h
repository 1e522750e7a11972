#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

// One image coded by x265: its parameter sets (VPS, SPS, PPS) and slices as bare NAL units, in
// stream order. Coding is the slow part of writing a wallpaper, so frames are coded on their own,
// several at once, and their units later placed into the one container in timeline order.
struct HevcCodedImage {
    int width = 0; // as shown
    int height = 0;
    int codedWidth = 0; // as coded: larger where x265 needed more than a small image has
    int codedHeight = 0;
    std::vector<std::string> units;
};

// The coded primary image of a whole HEIF file held in memory, as libheif writes it: parameter sets
// from its hvcC property, then the length-prefixed units of its item data. Nothing when the file
// is not such a file (truncated, no HEVC primary image, data outside the file).
std::optional<HevcCodedImage> primaryHevcImage(std::string_view file);

} // namespace tl
