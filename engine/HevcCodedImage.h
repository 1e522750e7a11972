#pragma once

#include <string>
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

} // namespace tl
