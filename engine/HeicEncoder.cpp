#include "engine/HeicEncoder.h"

#include "engine/FileTypeBox.h"
#include "engine/HeifYuvImage.h"
#include "engine/PrecodedHevcEncoder.h"
#include "engine/Yuv420Conversion.h"
#include "platform/FileReplacement.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {
namespace {

namespace fs = std::filesystem;

bool ok(const heif_error& error)
{
    return error.code == heif_error_Ok;
}

HeicGeneratorError failure(HeicGeneratorError::Kind kind)
{
    return HeicGeneratorError::of(kind);
}

// The whole container in memory. libheif's own file writer reports success even when the disk
// fills up, so files are written from these bytes with every write checked.
std::optional<std::vector<std::uint8_t>> containerBytes(heif_context* context)
{
    std::vector<std::uint8_t> bytes;
    heif_writer collect { .writer_api_version = 1,
        .write = [](heif_context*, const void* data, std::size_t size, void* userdata) {
            auto& collected = *static_cast<std::vector<std::uint8_t>*>(userdata);
            const auto* first = static_cast<const std::uint8_t*>(data);
            collected.insert(collected.end(), first, first + size);
            return heif_error { heif_error_Ok, heif_suberror_Unspecified, "" };
        } };
    if (!ok(heif_context_write(context, &collect, &bytes))) return std::nullopt;
    return bytes;
}

std::string_view asText(const std::vector<std::uint8_t>& bytes)
{
    return { reinterpret_cast<const char*>(bytes.data()), bytes.size() };
}

} // namespace

HeicEncoder::HeicEncoder(
    heif::Context context, heif::Encoder encoder, heif::EncodingOptions options, heif::NclxProfile nclx)
    : context_(std::move(context))
    , encoder_(std::move(encoder))
    , options_(std::move(options))
    , nclx_(std::move(nclx))
{
}

Result<HeicEncoder, HeicGeneratorError> HeicEncoder::create()
{
    heif::Context context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    if (!context || !ok(heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder)))
        return failure(HeicGeneratorError::Kind::heicCreationFailed);
    heif::Encoder encoder(rawEncoder);
    heif_encoder_set_lossy_quality(encoder.get(), heicQuality);
    heif_encoder_set_parameter_string(encoder.get(), "preset", heicPreset);

    heif::NclxProfile nclx(heif_nclx_color_profile_alloc());
    heif::EncodingOptions options(heif_encoding_options_alloc());
    if (!nclx || !options) return failure(HeicGeneratorError::Kind::heicCreationFailed);
    nclx->color_primaries = static_cast<heif_color_primaries>(heicColourPrimaries);
    nclx->transfer_characteristics = static_cast<heif_transfer_characteristics>(heicTransferCharacteristics);
    nclx->matrix_coefficients = static_cast<heif_matrix_coefficients>(heicMatrixCoefficients);
    nclx->full_range_flag = heicFullRange ? 1 : 0;
    // Without both settings libheif leaves the colour box out for the sake of old readers.
    options->macOS_compatibility_workaround_no_nclx_profile = 0;
    options->output_nclx_profile = nclx.get();
    return HeicEncoder(std::move(context), std::move(encoder), std::move(options), std::move(nclx));
}

Result<heif::ImageHandle, HeicGeneratorError> HeicEncoder::encode(cv::Mat pixels)
{
    cv::Mat bgr = evenOpaque(pixels);
    pixels.release();
    const heif::Image image = makeYuv420Image(bgr.cols, bgr.rows, nclx_.get());
    if (!image) return failure(HeicGeneratorError::Kind::heicCreationFailed);
    int lumaStride = 0, cbStride = 0, crStride = 0;
    std::uint8_t* luma = heif_image_get_plane(image.get(), heif_channel_Y, &lumaStride);
    std::uint8_t* cb = heif_image_get_plane(image.get(), heif_channel_Cb, &cbStride);
    std::uint8_t* cr = heif_image_get_plane(image.get(), heif_channel_Cr, &crStride);
    fillYuv420(bgr, { luma, lumaStride, cb, cbStride, cr, crStride });
    // x265 works from its own copy of the planes; a caller that handed its pixels over gets them freed here.
    bgr.release();

    heif_image_handle* rawHandle = nullptr;
    if (!ok(heif_context_encode_image(context_.get(), image.get(), encoder_.get(), options_.get(), &rawHandle)))
        return failure(HeicGeneratorError::Kind::heicCreationFailed);
    return heif::ImageHandle(rawHandle);
}

Result<void, HeicGeneratorError> HeicEncoder::attach(
    const heif::ImageHandle& handle, const std::optional<std::string>& xmp)
{
    if (xmp
        && !ok(heif_context_add_XMP_metadata(context_.get(), handle.get(), xmp->data(), static_cast<int>(xmp->size()))))
        return failure(HeicGeneratorError::Kind::metadataCreationFailed);
    return {};
}

Result<void, HeicGeneratorError> HeicEncoder::addImage(const cv::Mat& pixels, const std::optional<std::string>& xmp)
{
    auto handle = encode(pixels);
    if (!handle) return handle.error();
    return attach(handle.value(), xmp);
}

Result<X265Frame, HeicGeneratorError> HeicEncoder::startCoding(cv::Mat pixels, int threads)
{
    cv::Mat bgr = evenOpaque(pixels);
    pixels.release();
    return X265Frame::analyse(std::move(bgr), threads);
}

Result<void, HeicGeneratorError> HeicEncoder::addCodedImage(
    const HevcCodedImage& image, const std::optional<std::string>& xmp)
{
    const auto handle = addPrecodedImage(context_.get(), image, options_.get());
    if (!handle) return failure(HeicGeneratorError::Kind::heicCreationFailed);
    return attach(handle, xmp);
}

Result<void, HeicGeneratorError> HeicEncoder::writeTo(const fs::path& path) const
{
    auto container = containerBytes(context_.get());
    if (!container || !compactFileTypeBox(*container)) return failure(HeicGeneratorError::Kind::fileWriteFailed);
    if (const auto error = replaceFileWithBytes(path, asText(*container)))
        return HeicGeneratorError::fileWriteFailed(path.string(), error);
    return {};
}

} // namespace tl
