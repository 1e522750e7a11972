#include "engine/HeicEncoder.h"

#include "engine/FileTypeBox.h"
#include "platform/Uuid.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

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

// Even sides for 4:2:0, RGB order for libheif, and no alpha (a transparent area shows black).
cv::Mat encoderPixels(const cv::Mat& pixels)
{
    const int width = std::max(2, pixels.cols & ~1);
    const int height = std::max(2, pixels.rows & ~1);
    cv::Mat even;
    if (width > pixels.cols || height > pixels.rows) {
        cv::copyMakeBorder(pixels, even, 0, height - std::min(height, pixels.rows), 0,
            width - std::min(width, pixels.cols), cv::BORDER_REPLICATE);
    } else {
        even = pixels(cv::Rect(0, 0, width, height));
    }
    cv::Mat rgb;
    if (even.channels() == 4) {
        cv::Mat premultiplied;
        cv::cvtColor(even, premultiplied, cv::COLOR_RGBA2mRGBA); // the channel order does not matter here
        cv::cvtColor(premultiplied, rgb, cv::COLOR_BGRA2RGB);
    } else {
        cv::cvtColor(even, rgb, cv::COLOR_BGR2RGB);
    }
    return rgb;
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
    nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
    nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
    nclx->full_range_flag = 1;
    // Without both settings libheif leaves the colour box out for the sake of old readers.
    options->macOS_compatibility_workaround_no_nclx_profile = 0;
    options->output_nclx_profile = nclx.get();
    return HeicEncoder(std::move(context), std::move(encoder), std::move(options), std::move(nclx));
}

Result<void, HeicGeneratorError> HeicEncoder::addImage(const cv::Mat& pixels, const std::optional<std::string>& xmp)
{
    const cv::Mat rgb = encoderPixels(pixels);
    heif_image* rawImage = nullptr;
    if (!ok(heif_image_create(rgb.cols, rgb.rows, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &rawImage)))
        return failure(HeicGeneratorError::Kind::heicCreationFailed);
    const heif::Image image(rawImage);
    if (!ok(heif_image_add_plane(image.get(), heif_channel_interleaved, rgb.cols, rgb.rows, 8)))
        return failure(HeicGeneratorError::Kind::heicCreationFailed);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    rgb.copyTo(cv::Mat(rgb.rows, rgb.cols, CV_8UC3, plane, static_cast<std::size_t>(stride)));
    heif_image_set_nclx_color_profile(image.get(), nclx_.get());

    heif_image_handle* rawHandle = nullptr;
    if (!ok(heif_context_encode_image(context_.get(), image.get(), encoder_.get(), options_.get(), &rawHandle)))
        return failure(HeicGeneratorError::Kind::heicCreationFailed);
    const heif::ImageHandle handle(rawHandle);
    if (xmp
        && !ok(heif_context_add_XMP_metadata(context_.get(), handle.get(), xmp->data(), static_cast<int>(xmp->size()))))
        return failure(HeicGeneratorError::Kind::metadataCreationFailed);
    return {};
}

Result<void, HeicGeneratorError> HeicEncoder::writeTo(const fs::path& path) const
{
    const fs::path temporary
        = path.parent_path() / ("." + path.filename().string() + "-" + Uuid::random().text() + ".tmp");
    std::error_code error;
    const bool written
        = ok(heif_context_write_to_file(context_.get(), temporary.c_str())) && compactFileTypeBox(temporary);
    if (written) fs::rename(temporary, path, error);
    if (!written || error) {
        fs::remove(temporary, error);
        return failure(HeicGeneratorError::Kind::fileWriteFailed);
    }
    return {};
}

} // namespace tl
