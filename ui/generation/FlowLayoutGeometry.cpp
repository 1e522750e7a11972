#include "ui/generation/FlowLayoutGeometry.h"

#include <algorithm>

namespace tl::ui::flow {

Frames layoutFrames(const std::vector<QSizeF>& sizes, double maxWidth, double spacing)
{
    Frames result;
    result.frames.reserve(sizes.size());
    double x = 0;
    double y = 0;
    double rowHeight = 0;
    for (const auto& size : sizes) {
        if (x > 0 && x + size.width() > maxWidth) {
            y += rowHeight + spacing;
            x = 0;
            rowHeight = 0;
        }
        result.frames.emplace_back(x, y, size.width(), size.height());
        rowHeight = std::max(rowHeight, size.height());
        x += size.width() + spacing;
    }
    result.total = QSizeF(maxWidth, y + rowHeight);
    return result;
}

} // namespace tl::ui::flow
