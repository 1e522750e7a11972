#pragma once

namespace tl {

// A size in pixels; doubles, since plans and canvases are computed before they are rounded.
struct PixelSize {
    double width = 0;
    double height = 0;

    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

} // namespace tl
