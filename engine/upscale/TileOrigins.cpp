#include "engine/upscale/TileOrigins.h"

#include <algorithm>

namespace tl {

std::vector<int> tileOrigins(int length, int tileSize, int step)
{
    std::vector<int> origins;
    if (length < tileSize || step <= 0) return origins;
    for (int position = 0; position < length; position += step) {
        origins.push_back(std::min(position, length - tileSize));
    }
    return origins;
}

} // namespace tl
