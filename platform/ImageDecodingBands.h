#pragma once

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

namespace tl {

// Averages 8-bit rows, as a decoder hands them over one after another, into blocks of
// factor x factor pixels, so a preview of a huge picture never holds more than one row of
// sums and the reduced result. The last row and column of blocks may be partial.
class RowBandShrinker {
public:
    RowBandShrinker(int width, int height, int channels, int factor);

    // The next source row: width x channels bytes.
    void addRow(const std::uint8_t* row);
    // The reduced picture once every source row has been added; rows not added stay black.
    cv::Mat take();

    // The largest whole factor that keeps the longer side at or above maxLongSide (1 when the
    // picture is less than twice the preview's size, and so cheap to decode whole).
    static int factorFor(int width, int height, int maxLongSide);

private:
    void emitBand();

    int width_;
    int channels_;
    int factor_;
    int rowsInBand_ = 0;
    int nextOutputRow_ = 0;
    std::vector<std::uint64_t> sums_;
    cv::Mat reduced_;
};

} // namespace tl
