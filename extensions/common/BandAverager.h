#pragma once

#include <QImage>

#include <vector>

namespace tl::extension {

// Shrinks a picture by a whole factor while its rows arrive, so a large picture is never held
// whole: each factor x factor block of 4-byte pixels becomes one pixel of `target`, per byte
// averaged. `target` must be a 32-bit image of the reduced size (rounded up).
class BandAverager {
public:
    BandAverager(QImage& target, int sourceWidth, int factor);

    // One source row of sourceWidth pixels, rows in order.
    void add(const uchar* row);
    // Writes a last, shorter band; called once after the last row.
    void flush();

    // The factor that leaves a picture at most about twice longSide on its longer side (1 when it
    // is already that small or longSide is not positive).
    static int factorFor(int width, int height, int longSide);
    // A black picture of the reduced size for a width x height source; null when it cannot be had.
    static QImage reducedCanvas(int width, int height, int factor, QImage::Format format);

private:
    QImage& target_;
    int sourceWidth_;
    int factor_;
    int rows_ = 0;
    int line_ = 0;
    std::vector<quint64> sums_;
};

} // namespace tl::extension
