#include "platform/HeifPlanes.h"

#include <opencv2/imgproc.hpp>

#include <optional>
#include <vector>

namespace tl {
namespace {

// A plane in its stored code values, shrunk to the preview's size.
std::optional<cv::Mat> shrunkPlane(const heif_image* image, heif_channel channel, cv::Size size)
{
    if (!heif_image_has_channel(image, channel)) return std::nullopt;
    int stride = 0;
    const std::uint8_t* data = heif_image_get_plane_readonly(image, channel, &stride);
    const int width = heif_image_get_width(image, channel);
    const int height = heif_image_get_height(image, channel);
    const int storedBits = heif_image_get_bits_per_pixel(image, channel);
    if (!data || width <= 0 || height <= 0 || (storedBits != 8 && storedBits != 16)) return std::nullopt;
    const cv::Mat plane(height, width, storedBits == 8 ? CV_8UC1 : CV_16UC1, const_cast<std::uint8_t*>(data),
        static_cast<std::size_t>(stride));
    // Shrunk in its own depth: a float copy of the whole plane would cost four times the plane.
    cv::Mat shrunk, values;
    cv::resize(plane, shrunk, size, 0, 0, cv::INTER_AREA);
    shrunk.convertTo(values, CV_32F);
    return values;
}

double largestCode(const heif_image* image, heif_channel channel)
{
    return static_cast<double>((1 << heif_image_get_bits_per_pixel_range(image, channel)) - 1);
}

struct LumaWeights {
    double red, blue;
};

// libheif's own choice for each matrix; none for those derived from chromaticities.
std::optional<LumaWeights> weightsOf(heif_matrix_coefficients matrix)
{
    switch (matrix) {
    case heif_matrix_coefficients_ITU_R_BT_709_5:
        return LumaWeights { 0.2126, 0.0722 };
    case heif_matrix_coefficients_US_FCC_T47:
        return LumaWeights { 0.30, 0.11 };
    case heif_matrix_coefficients_SMPTE_240M:
        return LumaWeights { 0.212, 0.087 };
    case heif_matrix_coefficients_ITU_R_BT_2020_2_non_constant_luminance:
    case heif_matrix_coefficients_ITU_R_BT_2020_2_constant_luminance:
        return LumaWeights { 0.2627, 0.0593 };
    case heif_matrix_coefficients_chromaticity_derived_non_constant_luminance:
    case heif_matrix_coefficients_chromaticity_derived_constant_luminance:
        return std::nullopt;
    default:
        return LumaWeights { 0.299, 0.114 };
    }
}

// Red, green and blue planes from 0 to 1.
std::optional<std::vector<cv::Mat>> fromYcbcr(
    const heif_image* image, const heif_color_profile_nclx* nclx, cv::Size size)
{
    auto luma = shrunkPlane(image, heif_channel_Y, size);
    if (!luma) return std::nullopt;
    const bool fullRange = !nclx || nclx->full_range_flag;
    const double lumaTop = largestCode(image, heif_channel_Y);
    const double unit = (lumaTop + 1) / 256; // one 8-bit step in this depth's codes
    cv::Mat y;
    if (fullRange) {
        luma->convertTo(y, CV_32F, 1 / lumaTop);
    } else {
        luma->convertTo(y, CV_32F, 1 / (219 * unit), -16 / 219.0);
    }
    if (heif_image_get_colorspace(image) == heif_colorspace_monochrome) return std::vector { y, y, y };

    auto cb = shrunkPlane(image, heif_channel_Cb, size);
    auto cr = shrunkPlane(image, heif_channel_Cr, size);
    const auto matrix = nclx ? nclx->matrix_coefficients : heif_matrix_coefficients_ITU_R_BT_601_6;
    if (!cb || !cr) return std::nullopt;
    const double chromaTop = largestCode(image, heif_channel_Cb);
    const double chromaUnit = (chromaTop + 1) / 256;
    const double middle = (chromaTop + 1) / 2;
    const double chromaScale = fullRange ? 1 / chromaTop : 1 / (224 * chromaUnit);
    cv::Mat u, v;
    cb->convertTo(u, CV_32F, chromaScale, -middle * chromaScale);
    cr->convertTo(v, CV_32F, chromaScale, -middle * chromaScale);
    if (matrix == heif_matrix_coefficients_RGB_GBR) {
        cv::Mat red, blue;
        cr->convertTo(red, CV_32F, 1 / chromaTop);
        cb->convertTo(blue, CV_32F, 1 / chromaTop);
        return std::vector { red, y, blue };
    }
    const auto weights = weightsOf(matrix);
    if (!weights) return std::nullopt;
    const double kr = weights->red;
    const double kb = weights->blue;
    const double kg = 1 - kr - kb;
    const cv::Mat red = y + 2 * (1 - kr) * v;
    const cv::Mat blue = y + 2 * (1 - kb) * u;
    const cv::Mat green = (y - kr * red - kb * blue) / kg;
    return std::vector { red, green, blue };
}

std::optional<std::vector<cv::Mat>> fromRgbPlanes(const heif_image* image, cv::Size size)
{
    std::vector<cv::Mat> planes;
    for (const heif_channel channel : { heif_channel_R, heif_channel_G, heif_channel_B }) {
        auto plane = shrunkPlane(image, channel, size);
        if (!plane) return std::nullopt;
        planes.push_back(*plane / largestCode(image, channel));
    }
    return planes;
}

} // namespace

cv::Mat shrinkHeifPlanes(const heif_image* image, const heif_color_profile_nclx* nclx, cv::Size size)
{
    const heif_colorspace space = heif_image_get_colorspace(image);
    std::optional<std::vector<cv::Mat>> rgb;
    if (space == heif_colorspace_YCbCr || space == heif_colorspace_monochrome) {
        rgb = fromYcbcr(image, nclx, size);
    } else if (space == heif_colorspace_RGB && heif_image_get_chroma_format(image) == heif_chroma_444) {
        rgb = fromRgbPlanes(image, size);
    }
    if (!rgb) return {};
    std::vector<cv::Mat> bgra { (*rgb)[2], (*rgb)[1], (*rgb)[0] };
    if (const auto alpha = shrunkPlane(image, heif_channel_Alpha, size))
        bgra.push_back(*alpha / largestCode(image, heif_channel_Alpha));
    cv::Mat merged, pixels;
    cv::merge(bgra, merged);
    merged.convertTo(pixels, CV_8U, 255.0);
    return pixels;
}

} // namespace tl
