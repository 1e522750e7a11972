#include "platform/HeifPlanes.h"

#include <opencv2/imgproc.hpp>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace tl {
namespace {

// One plane's stored code values (8 or 16 bits a sample) and how many picture pixels share one
// of its samples across and down: 1, or 2 for subsampled chroma (repeated, as libheif does).
struct Plane {
    cv::Mat codes;
    int columnShift = 0;
    int rowShift = 0;
};

// How code values become red, green and blue from 0 to 1.
struct Coefficients {
    enum class Kind { ycbcr, gbr, grey, rgb };
    Kind kind = Kind::ycbcr;
    float lumaBlack = 0, lumaScale = 1; // Y' from 0 to 1 is (code - lumaBlack) * lumaScale
    float chromaMiddle = 0, chromaScale = 1;
    float kr = 0, kb = 0;
    std::array<float, 3> planeScale { 1, 1, 1 }; // R, G, B planes; Cr and Cb as red and blue in GBR
    float alphaScale = 1;
};

// The colour planes in the order the coefficients read them (Y, Cb, Cr; Y; or R, G, B), then alpha.
struct Planes {
    std::vector<Plane> colour;
    std::optional<Plane> alpha;
};

float largestCode(const heif_image* image, heif_channel channel)
{
    return static_cast<float>((1 << heif_image_get_bits_per_pixel_range(image, channel)) - 1);
}

struct LumaWeights {
    float red, blue;
};

// libheif's own choice for each matrix; none for those derived from chromaticities.
std::optional<LumaWeights> weightsOf(heif_matrix_coefficients matrix)
{
    switch (matrix) {
    case heif_matrix_coefficients_ITU_R_BT_709_5:
        return LumaWeights { 0.2126f, 0.0722f };
    case heif_matrix_coefficients_US_FCC_T47:
        return LumaWeights { 0.30f, 0.11f };
    case heif_matrix_coefficients_SMPTE_240M:
        return LumaWeights { 0.212f, 0.087f };
    case heif_matrix_coefficients_ITU_R_BT_2020_2_non_constant_luminance:
    case heif_matrix_coefficients_ITU_R_BT_2020_2_constant_luminance:
        return LumaWeights { 0.2627f, 0.0593f };
    case heif_matrix_coefficients_chromaticity_derived_non_constant_luminance:
    case heif_matrix_coefficients_chromaticity_derived_constant_luminance:
        return std::nullopt;
    default:
        return LumaWeights { 0.299f, 0.114f };
    }
}

std::optional<Coefficients> coefficientsOf(const heif_image* image, const heif_color_profile_nclx* nclx)
{
    Coefficients result;
    const heif_colorspace space = heif_image_get_colorspace(image);
    if (space == heif_colorspace_RGB) {
        if (heif_image_get_chroma_format(image) != heif_chroma_444) return std::nullopt;
        result.kind = Coefficients::Kind::rgb;
        result.planeScale = { 1 / largestCode(image, heif_channel_R), 1 / largestCode(image, heif_channel_G),
            1 / largestCode(image, heif_channel_B) };
    } else if (space == heif_colorspace_YCbCr || space == heif_colorspace_monochrome) {
        const bool fullRange = !nclx || nclx->full_range_flag;
        const float lumaTop = largestCode(image, heif_channel_Y);
        const float unit = (lumaTop + 1) / 256; // one 8-bit step in this depth's codes
        result.lumaBlack = fullRange ? 0 : 16 * unit;
        result.lumaScale = fullRange ? 1 / lumaTop : 1 / (219 * unit);
        if (space == heif_colorspace_monochrome) {
            result.kind = Coefficients::Kind::grey;
            return result;
        }
        const float chromaTop = largestCode(image, heif_channel_Cb);
        const float chromaUnit = (chromaTop + 1) / 256;
        result.chromaMiddle = (chromaTop + 1) / 2;
        result.chromaScale = fullRange ? 1 / chromaTop : 1 / (224 * chromaUnit);
        const auto matrix = nclx ? nclx->matrix_coefficients : heif_matrix_coefficients_ITU_R_BT_601_6;
        if (matrix == heif_matrix_coefficients_RGB_GBR) {
            result.kind = Coefficients::Kind::gbr;
            result.planeScale = { 1 / chromaTop, 1, 1 / chromaTop };
        } else {
            const auto weights = weightsOf(matrix);
            if (!weights) return std::nullopt;
            result.kr = weights->red;
            result.kb = weights->blue;
        }
    } else {
        return std::nullopt;
    }
    if (heif_image_has_channel(image, heif_channel_Alpha))
        result.alphaScale = 1 / largestCode(image, heif_channel_Alpha);
    return result;
}

// 0 where the plane is as large as the picture along a side, 1 where it holds every other sample.
std::optional<int> shiftOf(int pictureSide, int planeSide)
{
    if (planeSide == pictureSide) return 0;
    if (planeSide == (pictureSide + 1) / 2) return 1;
    return std::nullopt;
}

std::optional<Plane> storedPlane(const heif_image* image, heif_channel channel)
{
    if (!heif_image_has_channel(image, channel)) return std::nullopt;
    int stride = 0;
    const std::uint8_t* data = heif_image_get_plane_readonly(image, channel, &stride);
    const int width = heif_image_get_width(image, channel);
    const int height = heif_image_get_height(image, channel);
    const int storedBits = heif_image_get_bits_per_pixel(image, channel);
    if (!data || width <= 0 || height <= 0 || (storedBits != 8 && storedBits != 16)) return std::nullopt;
    const auto columnShift = shiftOf(heif_image_get_primary_width(image), width);
    const auto rowShift = shiftOf(heif_image_get_primary_height(image), height);
    if (!columnShift || !rowShift) return std::nullopt;
    return Plane { cv::Mat(height, width, storedBits == 8 ? CV_8UC1 : CV_16UC1, const_cast<std::uint8_t*>(data),
                       static_cast<std::size_t>(stride)),
        *columnShift, *rowShift };
}

std::optional<Planes> storedPlanes(const heif_image* image, Coefficients::Kind kind)
{
    std::vector<heif_channel> channels { heif_channel_Y, heif_channel_Cb, heif_channel_Cr };
    if (kind == Coefficients::Kind::grey) channels = { heif_channel_Y };
    if (kind == Coefficients::Kind::rgb) channels = { heif_channel_R, heif_channel_G, heif_channel_B };
    Planes planes;
    for (const heif_channel channel : channels) {
        auto plane = storedPlane(image, channel);
        if (!plane) return std::nullopt;
        planes.colour.push_back(std::move(*plane));
    }
    if (heif_image_has_channel(image, heif_channel_Alpha)) {
        planes.alpha = storedPlane(image, heif_channel_Alpha);
        if (!planes.alpha) return std::nullopt;
    }
    return planes;
}

// Every plane shrunk to `size` in its own depth (a float copy of a whole plane would cost four
// times the plane), so none is subsampled any more.
Planes shrunk(const Planes& planes, cv::Size size)
{
    const auto shrink = [&](const Plane& plane) {
        Plane smaller;
        cv::resize(plane.codes, smaller.codes, size, 0, 0, cv::INTER_AREA);
        return smaller;
    };
    Planes result;
    for (const Plane& plane : planes.colour)
        result.colour.push_back(shrink(plane));
    if (planes.alpha) result.alpha = shrink(*planes.alpha);
    return result;
}

// One row of a plane's codes at the picture's width, as floats.
void readRow(const Plane& plane, int row, std::vector<float>& values)
{
    const int source = row >> plane.rowShift;
    const int width = static_cast<int>(values.size());
    const auto fill = [&](const auto* codes) {
        for (int x = 0; x < width; ++x)
            values[static_cast<std::size_t>(x)] = static_cast<float>(codes[x >> plane.columnShift]);
    };
    if (plane.codes.depth() == CV_8U) {
        fill(plane.codes.ptr<std::uint8_t>(source));
    } else {
        fill(plane.codes.ptr<std::uint16_t>(source));
    }
}

std::uint8_t toByte(float value)
{
    return cv::saturate_cast<std::uint8_t>(value * 255.f);
}

// Picture rows [top, bottom) into `pixels` (8-bit BGR, or BGRA with alpha).
void convertRows(const Planes& planes, const Coefficients& c, int top, int bottom, cv::Mat& pixels)
{
    const auto width = static_cast<std::size_t>(pixels.cols);
    std::array<std::vector<float>, 4> rows;
    for (auto& row : rows)
        row.resize(width);
    const int channels = pixels.channels();
    const float kg = 1 - c.kr - c.kb;
    for (int y = top; y < bottom; ++y) {
        for (std::size_t i = 0; i < planes.colour.size(); ++i)
            readRow(planes.colour[i], y, rows[i]);
        if (planes.alpha) readRow(*planes.alpha, y, rows[3]);
        std::uint8_t* out = pixels.ptr<std::uint8_t>(y);
        for (std::size_t x = 0; x < width; ++x, out += channels) {
            float red = 0, green = 0, blue = 0;
            const float first = rows[0][x];
            if (c.kind == Coefficients::Kind::rgb) {
                red = first * c.planeScale[0];
                green = rows[1][x] * c.planeScale[1];
                blue = rows[2][x] * c.planeScale[2];
            } else {
                const float luma = (first - c.lumaBlack) * c.lumaScale;
                if (c.kind == Coefficients::Kind::grey) {
                    red = green = blue = luma;
                } else if (c.kind == Coefficients::Kind::gbr) {
                    red = rows[2][x] * c.planeScale[0];
                    green = luma;
                    blue = rows[1][x] * c.planeScale[2];
                } else {
                    const float u = (rows[1][x] - c.chromaMiddle) * c.chromaScale;
                    const float v = (rows[2][x] - c.chromaMiddle) * c.chromaScale;
                    red = luma + 2 * (1 - c.kr) * v;
                    blue = luma + 2 * (1 - c.kb) * u;
                    green = (luma - c.kr * red - c.kb * blue) / kg;
                }
            }
            out[0] = toByte(blue);
            out[1] = toByte(green);
            out[2] = toByte(red);
            if (channels == 4) out[3] = toByte(rows[3][x] * c.alphaScale);
        }
    }
}

// Gives the memory of picture rows [top, bottom) of every plane back to the system; those rows
// read as zero afterwards. Only whole pages inside the rows go, so neighbouring bands are untouched.
void releaseRows(const Planes& planes, int top, int bottom)
{
    static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto release = [&](const Plane& plane) {
        const auto address
            = [&](int row) { return reinterpret_cast<std::uintptr_t>(plane.codes.ptr(row >> plane.rowShift)); };
        const std::uintptr_t start = (address(top) + page - 1) / page * page;
        const std::uintptr_t end = bottom >> plane.rowShift >= plane.codes.rows
            ? reinterpret_cast<std::uintptr_t>(plane.codes.dataend) / page * page
            : address(bottom) / page * page;
        if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
    };
    for (const Plane& plane : planes.colour)
        release(plane);
    if (planes.alpha) release(*planes.alpha);
}

cv::Mat outputFor(const Planes& planes, cv::Size size)
{
    return cv::Mat(size, planes.alpha ? CV_8UC4 : CV_8UC3);
}

} // namespace

cv::Mat shrinkHeifPlanes(const heif_image* image, const heif_color_profile_nclx* nclx, cv::Size size)
{
    const auto coefficients = coefficientsOf(image, nclx);
    if (!coefficients) return {};
    const auto planes = storedPlanes(image, coefficients->kind);
    if (!planes) return {};
    const Planes small = shrunk(*planes, size);
    cv::Mat pixels = outputFor(small, size);
    convertRows(small, *coefficients, 0, size.height, pixels);
    return pixels;
}

cv::Mat convertHeifPlanes(heif::Image image, const heif_color_profile_nclx* nclx)
{
    const auto coefficients = coefficientsOf(image.get(), nclx);
    if (!coefficients) return {};
    const auto planes = storedPlanes(image.get(), coefficients->kind);
    if (!planes) return {};
    const cv::Size size(heif_image_get_primary_width(image.get()), heif_image_get_primary_height(image.get()));
    cv::Mat pixels = outputFor(*planes, size);
    // An even number of rows, so no subsampled chroma row is shared by two bands.
    const int bandRows = std::max(2, (262144 / size.width) & ~1);
    const int bands = (size.height + bandRows - 1) / bandRows;
    cv::parallel_for_(cv::Range(0, bands), [&](const cv::Range& range) {
        for (int band = range.start; band < range.end; ++band) {
            const int top = band * bandRows;
            const int bottom = std::min(size.height, top + bandRows);
            convertRows(*planes, *coefficients, top, bottom, pixels);
            releaseRows(*planes, top, bottom);
        }
    });
    return pixels;
}

} // namespace tl
