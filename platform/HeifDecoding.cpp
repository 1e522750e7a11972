#include "platform/HeifDecoding.h"

#include "platform/DecodeBudget.h"
#include "platform/HeifHandles.h"
#include "platform/HeifImageMat.h"
#include "platform/HeifPlanes.h"
#include "platform/ImageExtent.h"
#include "platform/SrgbConversion.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

namespace tl {
namespace {

// A thumbnail whose longer side reaches the requested preview size, else the image itself.
heif::ImageHandle pickHandle(heif::ImageHandle primary, int previewLongSide)
{
    if (previewLongSide <= 0) return primary;
    const int count = heif_image_handle_get_number_of_thumbnails(primary.get());
    std::vector<heif_item_id> ids(static_cast<std::size_t>(std::max(count, 0)));
    heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), ids.data(), count);
    for (const heif_item_id id : ids) {
        heif_image_handle* raw = nullptr;
        if (heif_image_handle_get_thumbnail(primary.get(), id, &raw).code != heif_error_Ok) continue;
        heif::ImageHandle thumbnail(raw);
        const int longSide = std::max(heif_image_handle_get_width(raw), heif_image_handle_get_height(raw));
        if (longSide >= previewLongSide) return thumbnail;
    }
    return primary;
}

cv::Mat toSrgb(const cv::Mat& pixels, const heif_image_handle* handle)
{
    switch (heif_image_handle_get_color_profile_type(handle)) {
    case heif_color_profile_type_prof:
    case heif_color_profile_type_rICC: {
        std::vector<std::uint8_t> profile(heif_image_handle_get_raw_color_profile_size(handle));
        if (heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok) return pixels;
        return convertProfileToSrgb(pixels, profile);
    }
    case heif_color_profile_type_nclx: {
        heif_color_profile_nclx* raw = nullptr;
        if (heif_image_handle_get_nclx_color_profile(handle, &raw).code != heif_error_Ok) return pixels;
        const heif::NclxProfile nclx(raw);
        if (nclx->color_primaries == heif_color_primaries_ITU_R_BT_709_5
            || nclx->color_primaries == heif_color_primaries_unspecified)
            return pixels;
        return convertPrimariesToSrgb(pixels,
            { nclx->color_primary_red_x, nclx->color_primary_red_y, nclx->color_primary_green_x,
                nclx->color_primary_green_y, nclx->color_primary_blue_x, nclx->color_primary_blue_y,
                nclx->color_primary_white_x, nclx->color_primary_white_y });
    }
    default:
        return pixels;
    }
}

// Samples a pixel has in the coded planes. libheif's handle does not say how chroma is subsampled,
// so it is read from the first HEVC configuration in the file (chroma_format_idc, the low two bits
// 16 bytes into the box's payload); without one, 4:4:4 is assumed, the most it can be.
double codedSamplesPerPixel(std::span<const std::uint8_t> file)
{
    static constexpr std::string_view type = "hvcC";
    const auto at = std::search(file.begin(), file.end(), type.begin(), type.end());
    const auto offset = static_cast<std::size_t>(at - file.begin()) + type.size() + 16;
    if (at == file.end() || offset >= file.size()) return 3;
    switch (file[offset] & 3) {
    case 0:
        return 1;
    case 1:
        return 1.5;
    case 2:
        return 2;
    default:
        return 3;
    }
}

// Items the file declares, tiles included: one item information box each.
std::size_t itemCount(std::span<const std::uint8_t> file)
{
    static constexpr std::string_view type = "infe";
    std::size_t count = 0;
    for (auto at = file.begin(); (at = std::search(at, file.end(), type.begin(), type.end())) != file.end();
         at += type.size())
        ++count;
    return count;
}

// libheif starts a thread of its own for every tile of a grid it decodes. For many small tiles the
// threads cost more than the tiles: 16384 tiles of 128 x 128 took 55 to 65 s on threads and 22 s
// one after another, where 1024 tiles of 512 x 512 took 4.3 s on threads and 10 s in turn.
bool hasManySmallTiles(std::span<const std::uint8_t> file, const ImageExtent& extent)
{
    const std::size_t items = itemCount(file);
    return items > 1
        && static_cast<double>(extent.width) * static_cast<double>(extent.height) / static_cast<double>(items)
        < 256.0 * 256.0;
}

// What libheif holds while it decodes: the decoded planes and, at its peak, as much again (a grid's
// tiles before they are pasted, or the copy a conversion makes).
std::uint64_t decoderBytes(const heif_image_handle* handle, const ImageExtent& extent, double samplesPerPixel)
{
    const double sampleBytes = heif_image_handle_get_luma_bits_per_pixel(handle) > 8 ? 2 : 1;
    const double planes = samplesPerPixel + (heif_image_handle_has_alpha_channel(handle) ? 1 : 0);
    return pictureBytes(extent.width, extent.height, 2 * planes * sampleBytes);
}

cv::Size previewSize(const ImageExtent& extent, int previewLongSide)
{
    const double scale
        = static_cast<double>(previewLongSide) / static_cast<double>(std::max(extent.width, extent.height));
    return { std::max(1, static_cast<int>(std::lround(static_cast<double>(extent.width) * scale))),
        std::max(1, static_cast<int>(std::lround(static_cast<double>(extent.height) * scale))) };
}

// The picture in its own planes, converted by us: shrunk first for a preview (`previewLongSide`
// above 0), else band by band at full size. Empty when libheif fails or the planes are of a kind
// only libheif converts.
cv::Mat decodePlanar(
    const heif_image_handle* handle, const ImageExtent& extent, double samplesPerPixel, int previewLongSide)
{
    const int channels = heif_image_handle_has_alpha_channel(handle) ? 4 : 3;
    const std::uint64_t decoder = decoderBytes(handle, extent, samplesPerPixel);
    // The conversion gives the planes back band by band as it fills the picture, so the two are
    // never held whole at once.
    const auto reservation = DecodeBudget::shared().reserve(
        previewLongSide > 0 ? decoder : std::max(decoder, pictureBytes(extent.width, extent.height, channels)));
    const heif::DecodingOptions options(heif_decoding_options_alloc());
    heif_image* rawImage = nullptr;
    if (heif_decode_image(handle, &rawImage, heif_colorspace_undefined, heif_chroma_undefined, options.get()).code
        != heif_error_Ok)
        return {};
    heif::Image image(rawImage);
    heif_color_profile_nclx* rawNclx = nullptr;
    if (heif_image_get_nclx_color_profile(image.get(), &rawNclx).code != heif_error_Ok)
        heif_image_handle_get_nclx_color_profile(handle, &rawNclx);
    const heif::NclxProfile nclx(rawNclx);
    if (previewLongSide > 0) return shrinkHeifPlanes(image.get(), nclx.get(), previewSize(extent, previewLongSide));
    return convertHeifPlanes(std::move(image), nclx.get());
}

// In place, row by row: OpenCV's own conversion copies a picture converted into itself first.
void swapRedAndBlue(cv::Mat& pixels)
{
    cv::parallel_for_(cv::Range(0, pixels.rows), [&](const cv::Range& rows) {
        const int channels = pixels.channels();
        for (int y = rows.start; y < rows.end; ++y) {
            std::uint8_t* pixel = pixels.ptr<std::uint8_t>(y);
            for (int x = 0; x < pixels.cols; ++x, pixel += channels)
                std::swap(pixel[0], pixel[2]);
        }
    });
}

// Through libheif's own conversion to interleaved 8-bit RGB, shrunk afterwards for a preview: for
// the planes only libheif can convert.
cv::Mat decodeInterleaved(
    const heif_image_handle* handle, const ImageExtent& extent, double samplesPerPixel, int previewLongSide)
{
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    const int channels = alpha ? 4 : 3;
    const auto reservation = DecodeBudget::shared().reserve(
        decoderBytes(handle, extent, samplesPerPixel) + pictureBytes(extent.width, extent.height, channels));
    const heif::DecodingOptions options(heif_decoding_options_alloc());
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    const heif_chroma chroma = alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    if (heif_decode_image(handle, &rawImage, heif_colorspace_RGB, chroma, options.get()).code != heif_error_Ok)
        return {};
    // Turned around in libheif's own buffer: a converted copy of a full-size picture would double it.
    cv::Mat pixels = interleavedMat(heif::Image(rawImage));
    if (pixels.empty() || pixels.channels() != channels) return {};
    if (previewLongSide > 0 && std::max(pixels.cols, pixels.rows) > previewLongSide) {
        cv::Mat smaller;
        cv::resize(pixels, smaller, previewSize({ pixels.cols, pixels.rows }, previewLongSide), 0, 0, cv::INTER_AREA);
        pixels = smaller;
    }
    swapRedAndBlue(pixels);
    return pixels;
}

} // namespace

bool isHeifFile(std::span<const std::uint8_t> file)
{
    const int length = static_cast<int>(std::min<std::size_t>(file.size(), 64));
    return length >= 12 && heif_check_filetype(file.data(), length) != heif_filetype_no;
}

cv::Mat decodeHeif(std::span<const std::uint8_t> file, int previewLongSide)
{
    const heif::Context context(heif_context_alloc());
    if (heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr).code
        != heif_error_Ok)
        return {};
    heif_image_handle* rawPrimary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawPrimary).code != heif_error_Ok) return {};
    const heif::ImageHandle handle = pickHandle(heif::ImageHandle(rawPrimary), previewLongSide);
    const ImageExtent extent { heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()) };
    if (isTooLargeToDecode(extent)) return {};
    if (hasManySmallTiles(file, extent)) heif_context_set_max_decoding_threads(context.get(), 0);
    const double samplesPerPixel = codedSamplesPerPixel(file);
    const bool shrink = previewLongSide > 0 && std::max(extent.width, extent.height) > previewLongSide;
    const cv::Mat planar = decodePlanar(handle.get(), extent, samplesPerPixel, shrink ? previewLongSide : 0);
    if (!planar.empty()) return toSrgb(planar, handle.get());
    const cv::Mat pixels = decodeInterleaved(handle.get(), extent, samplesPerPixel, previewLongSide);
    return pixels.empty() ? pixels : toSrgb(pixels, handle.get());
}

} // namespace tl
