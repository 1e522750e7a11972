#include "engine/LanczosResampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace tl {
namespace {

constexpr double lobes = 3;

double lanczos(double x)
{
    x = std::abs(x);
    if (x < 1e-9) return 1;
    if (x >= lobes) return 0;
    const double px = std::numbers::pi * x;
    return lobes * std::sin(px) * std::sin(px / lobes) / (px * px);
}

// For every output index along one axis: the first source index and the weights from there on.
struct AxisWeights {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<float> weights; // count[i] entries per output, at offset i * stride
    int stride = 0;
};

AxisWeights axisWeights(int outputLength, int sourceLength, double scale, double crop)
{
    const double widen = std::max(1.0, 1.0 / scale);
    const double radius = lobes * widen;
    AxisWeights axis;
    axis.stride = static_cast<int>(std::ceil(radius)) * 2 + 2;
    axis.first.resize(outputLength);
    axis.count.resize(outputLength);
    axis.weights.assign(static_cast<std::size_t>(outputLength) * axis.stride, 0.f);
    std::vector<double> taps(axis.stride);
    for (int o = 0; o < outputLength; ++o) {
        const double centre = (o + 0.5 + crop) / scale;
        const int begin = static_cast<int>(std::floor(centre - radius));
        // Taps that fall outside the source are folded onto its edge pixels.
        const int first = std::clamp(begin, 0, sourceLength - 1);
        const int last = std::clamp(begin + axis.stride - 1, 0, sourceLength - 1);
        std::fill(taps.begin(), taps.end(), 0.0);
        double total = 0;
        for (int k = 0; k < axis.stride; ++k) {
            const int index = std::clamp(begin + k, 0, sourceLength - 1);
            const double w = lanczos((begin + k + 0.5 - centre) / widen);
            taps[index - first] += w;
            total += w;
        }
        axis.first[o] = first;
        axis.count[o] = last - first + 1;
        for (int k = 0; k < axis.count[o]; ++k)
            axis.weights[static_cast<std::size_t>(o) * axis.stride + k] = static_cast<float>(taps[k] / total);
    }
    return axis;
}

template <int Channels>
void horizontalPass(const float* source, std::uint8_t* target, const AxisWeights& axis, int outputWidth)
{
    for (int x = 0; x < outputWidth; ++x) {
        const float* pixel = source + axis.first[x] * Channels;
        const float* weight = &axis.weights[static_cast<std::size_t>(x) * axis.stride];
        float sum[Channels] = {};
        for (int k = 0; k < axis.count[x]; ++k, pixel += Channels)
            for (int c = 0; c < Channels; ++c)
                sum[c] += weight[k] * pixel[c];
        for (int c = 0; c < Channels; ++c)
            target[x * Channels + c] = static_cast<std::uint8_t>(std::clamp(sum[c] + 0.5f, 0.f, 255.f));
    }
}

// Each output row filters its source rows vertically into one float row (a loop over whole rows, which
// vectorises), then that row horizontally; no intermediate image is kept.
template <int Channels> cv::Mat resample(const cv::Mat& source, const ResampleGeometry& g)
{
    const AxisWeights columns = axisWeights(g.width, source.cols, g.scaleX, g.cropX);
    const AxisWeights rows = axisWeights(g.height, source.rows, g.scaleY, g.cropY);
    cv::Mat output(g.height, g.width, CV_MAKETYPE(CV_8U, Channels));
    const int rowValues = source.cols * Channels;

    cv::parallel_for_(cv::Range(0, g.height), [&](const cv::Range& range) {
        std::vector<float> column(rowValues);
        for (int y = range.start; y < range.end; ++y) {
            std::fill(column.begin(), column.end(), 0.f);
            const float* weight = &rows.weights[static_cast<std::size_t>(y) * rows.stride];
            for (int k = 0; k < rows.count[y]; ++k) {
                const std::uint8_t* line = source.ptr<std::uint8_t>(rows.first[y] + k);
                const float w = weight[k];
                float* sum = column.data();
                for (int i = 0; i < rowValues; ++i)
                    sum[i] += w * static_cast<float>(line[i]);
            }
            horizontalPass<Channels>(column.data(), output.ptr<std::uint8_t>(y), columns, g.width);
        }
    });
    return output;
}

} // namespace

cv::Mat resampleLanczos(const cv::Mat& source, const ResampleGeometry& geometry)
{
    CV_Assert(source.depth() == CV_8U && (source.channels() == 3 || source.channels() == 4));
    CV_Assert(geometry.width > 0 && geometry.height > 0 && geometry.scaleX > 0 && geometry.scaleY > 0);
    if (source.empty()) return {};
    return source.channels() == 3 ? resample<3>(source, geometry) : resample<4>(source, geometry);
}

cv::Mat scaleToFill(const cv::Mat& source, int width, int height)
{
    const double scale = std::max(static_cast<double>(width) / source.cols, static_cast<double>(height) / source.rows);
    return resampleLanczos(
        source, { width, height, scale, scale, (source.cols * scale - width) / 2, (source.rows * scale - height) / 2 });
}

cv::Mat stretchTo(const cv::Mat& source, int width, int height)
{
    return resampleLanczos(source,
        { width, height, static_cast<double>(width) / source.cols, static_cast<double>(height) / source.rows, 0, 0 });
}

} // namespace tl
