#include "extensions/common/BandAverager.h"

#include <algorithm>

namespace tl::extension {

BandAverager::BandAverager(QImage& target, int sourceWidth, int factor)
    : target_(target)
    , sourceWidth_(sourceWidth)
    , factor_(factor)
    , sums_(static_cast<std::size_t>(target.width()) * 4, 0)
{
}

void BandAverager::add(const uchar* row)
{
    for (int x = 0; x < sourceWidth_; ++x) {
        quint64* sum = &sums_[static_cast<std::size_t>(x / factor_) * 4];
        for (int c = 0; c < 4; ++c)
            sum[c] += row[x * 4 + c];
    }
    if (++rows_ == factor_) flush();
}

void BandAverager::flush()
{
    if (rows_ == 0 || line_ >= target_.height()) return;
    uchar* out = target_.scanLine(line_++);
    for (int block = 0; block < target_.width(); ++block) {
        const quint64 count = quint64(std::min(factor_, sourceWidth_ - block * factor_)) * rows_;
        for (int c = 0; c < 4; ++c) {
            quint64& sum = sums_[static_cast<std::size_t>(block) * 4 + c];
            out[block * 4 + c] = uchar((sum + count / 2) / count);
            sum = 0;
        }
    }
    rows_ = 0;
}

int BandAverager::factorFor(int width, int height, int longSide)
{
    return longSide > 0 ? std::max(1, std::max(width, height) / longSide) : 1;
}

QImage BandAverager::reducedCanvas(int width, int height, int factor, QImage::Format format)
{
    QImage canvas((width + factor - 1) / factor, (height + factor - 1) / factor, format);
    if (!canvas.isNull()) canvas.fill(Qt::black);
    return canvas;
}

} // namespace tl::extension
