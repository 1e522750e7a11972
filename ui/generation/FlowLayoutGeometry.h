#pragma once

#include <QRectF>
#include <QSizeF>

#include <optional>
#include <vector>

namespace tl::ui::flow {

struct Frames {
    std::vector<QRectF> frames;
    // The width is always the maximum width, not the widest row.
    QSizeF total;
};

// Rows filled left to right, each item at its ideal size, a new row only when an item that is
// not first on its row would pass `maxWidth`; an item wider than a row sits alone and overflows.
Frames layoutFrames(const std::vector<QSizeF>& sizes, double maxWidth, double spacing);

// The width to lay out in when the caller proposes none.
inline constexpr double unspecifiedWidth = 10;
inline double maxWidthFor(std::optional<double> proposedWidth)
{
    return proposedWidth.value_or(unspecifiedWidth);
}

} // namespace tl::ui::flow
