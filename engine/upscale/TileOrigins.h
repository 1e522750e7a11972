#pragma once

#include <vector>

namespace tl {

// The origins, along one side of `length` pixels, of square tiles of `tileSize` that start every
// `step` pixels; the last one is pulled back to end at the edge, so it may overlap its neighbour
// by more than the usual amount or repeat it. Empty when length < tileSize.
std::vector<int> tileOrigins(int length, int tileSize, int step);

} // namespace tl
