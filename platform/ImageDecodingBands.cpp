#include "platform/ImageDecodingBands.h"

#include <algorithm>

namespace tl {

RowBandShrinker::RowBandShrinker(int width, int height, int channels, int factor)
    : width_(width)
    , channels_(channels)
    , factor_(std::max(factor, 1))
    , sums_(static_cast<std::size_t>((width + factor_ - 1) / factor_) * static_cast<std::size_t>(channels), 0)
    , reduced_((height + factor_ - 1) / factor_, (width + factor_ - 1) / factor_, CV_8UC(channels), cv::Scalar::all(0))
{
}

int RowBandShrinker::factorFor(int width, int height, int maxLongSide)
{
    if (maxLongSide <= 0) return 1;
    return std::max(1, std::max(width, height) / maxLongSide);
}

void RowBandShrinker::addRow(const std::uint8_t* row)
{
    if (nextOutputRow_ >= reduced_.rows) return;
    for (int x = 0; x < width_; ++x) {
        std::uint64_t* sum = &sums_[static_cast<std::size_t>(x / factor_) * channels_];
        const std::uint8_t* pixel = row + static_cast<std::ptrdiff_t>(x) * channels_;
        for (int c = 0; c < channels_; ++c)
            sum[c] += pixel[c];
    }
    if (++rowsInBand_ == factor_) emitBand();
}

void RowBandShrinker::emitBand()
{
    if (rowsInBand_ == 0) return;
    std::uint8_t* out = reduced_.ptr(nextOutputRow_);
    for (int block = 0; block < reduced_.cols; ++block) {
        const int columns = std::min(factor_, width_ - block * factor_);
        const std::uint64_t count = static_cast<std::uint64_t>(columns) * rowsInBand_;
        for (int c = 0; c < channels_; ++c) {
            std::uint64_t& sum = sums_[static_cast<std::size_t>(block) * channels_ + c];
            out[block * channels_ + c] = static_cast<std::uint8_t>((sum + count / 2) / count);
            sum = 0;
        }
    }
    rowsInBand_ = 0;
    ++nextOutputRow_;
}

cv::Mat RowBandShrinker::take()
{
    emitBand();
    return std::move(reduced_);
}

} // namespace tl
