#include "engine/HeicEncoder.h"

#include "engine/FileTypeBox.h"
#include "engine/HeifYuvImage.h"
#include "engine/PrecodedHevcEncoder.h"
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

// Even sides for 4:2:0, and no alpha (a transparent area shows black).
cv::Mat evenOpaque(const cv::Mat& pixels)
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
    if (even.channels() == 3) return even;
    cv::Mat premultiplied, bgr;
    cv::cvtColor(even, premultiplied, cv::COLOR_RGBA2mRGBA); // the channel order does not matter here
    cv::cvtColor(premultiplied, bgr, cv::COLOR_BGRA2BGR);
    return bgr;
}

std::uint8_t clampByte(float value)
{
    return static_cast<std::uint8_t>(std::clamp(value + 0.5f, 0.f, 255.f));
}

// BGR to full-range BT.601 Y'CbCr 4:2:0 (chroma from the mean of each 2x2 block), written straight into
// libheif's planes. Done here, in parallel, instead of by libheif's single-threaded conversion.
void fillPlanes(const cv::Mat& bgr, heif_image* image)
{
    int yStride = 0, cbStride = 0, crStride = 0;
    std::uint8_t* luma = heif_image_get_plane(image, heif_channel_Y, &yStride);
    std::uint8_t* cb = heif_image_get_plane(image, heif_channel_Cb, &cbStride);
    std::uint8_t* cr = heif_image_get_plane(image, heif_channel_Cr, &crStride);
    cv::parallel_for_(cv::Range(0, bgr.rows / 2), [&](const cv::Range& pairs) {
        for (int pair = pairs.start; pair < pairs.end; ++pair) {
            const int y = pair * 2;
            const cv::Vec3b* rows[2] = { bgr.ptr<cv::Vec3b>(y), bgr.ptr<cv::Vec3b>(y + 1) };
            std::uint8_t* lumaRows[2] = { luma + static_cast<std::ptrdiff_t>(y) * yStride,
                luma + static_cast<std::ptrdiff_t>(y + 1) * yStride };
            std::uint8_t* cbRow = cb + static_cast<std::ptrdiff_t>(pair) * cbStride;
            std::uint8_t* crRow = cr + static_cast<std::ptrdiff_t>(pair) * crStride;
            for (int x = 0; x < bgr.cols; x += 2) {
                float r = 0, g = 0, b = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) {
                        const cv::Vec3b& p = rows[dy][x + dx];
                        lumaRows[dy][x + dx] = clampByte(0.299f * p[2] + 0.587f * p[1] + 0.114f * p[0]);
                        b += p[0];
                        g += p[1];
                        r += p[2];
                    }
                r *= 0.25f;
                g *= 0.25f;
                b *= 0.25f;
                cbRow[x / 2] = clampByte(128.f - 0.168736f * r - 0.331264f * g + 0.5f * b);
                crRow[x / 2] = clampByte(128.f + 0.5f * r - 0.418688f * g - 0.081312f * b);
            }
        }
    });
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

Result<heif::ImageHandle, HeicGeneratorError> HeicEncoder::encode(cv::Mat pixels)
{
    cv::Mat bgr = evenOpaque(pixels);
    pixels.release();
    const heif::Image image = makeYuv420Image(bgr.cols, bgr.rows, nclx_.get());
    if (!image) return failure(HeicGeneratorError::Kind::heicCreationFailed);
    fillPlanes(bgr, image.get());
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

Result<HevcCodedImage, HeicGeneratorError> HeicEncoder::codeImage(cv::Mat pixels, int threads)
{
    auto single = create();
    if (!single) return single.error();
    heif_encoder_set_parameter_string(single.value().encoder_.get(), "x265:pools", std::to_string(threads).c_str());
    single.value().threads_ = threads;
    if (auto encoded = single.value().encode(std::move(pixels)); !encoded) return encoded.error();
    const auto file = containerBytes(single.value().context_.get());
    if (!file) return failure(HeicGeneratorError::Kind::heicCreationFailed);
    auto coded = primaryHevcImage(asText(*file));
    if (!coded) return failure(HeicGeneratorError::Kind::heicCreationFailed);
    return std::move(*coded);
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
