#include "extensions/common/HeifDecoder.h"

#include "extensions/common/FrameDecoder.h"

#include <QFile>

#include <libheif/heif.h>

#include <memory>

namespace tl::extension {
namespace {

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(const heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
    void operator()(const heif_image* image) const { heif_image_release(image); }
};

using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<const heif_image_handle, HandleDeleter>;
using DecodedImage = std::unique_ptr<const heif_image, ImageDeleter>;

} // namespace

bool isDecodableHeif(const QByteArray& head)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(head.constData());
    return heif_check_filetype(bytes, static_cast<int>(head.size())) == heif_filetype_yes_supported;
}

QImage decodeHeif(const QString& path, int longSide)
{
    const Context context(heif_context_alloc());
    if (!context) return {};
    const QByteArray localPath = QFile::encodeName(path);
    if (heif_context_read_from_file(context.get(), localPath.constData(), nullptr).code != heif_error_Ok) return {};

    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok) return {};
    const Handle handle(rawHandle);
    if (isTooLargeToDecode({ heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()) }))
        return {};

    const bool hasAlpha = heif_image_handle_has_alpha_channel(handle.get());
    heif_image* rawImage = nullptr;
    const heif_chroma chroma = hasAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, chroma, nullptr).code != heif_error_Ok)
        return {};
    const DecodedImage image(rawImage);

    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!pixels || width <= 0 || height <= 0) return {};
    // The decoded planes die with `image`, so the picture is copied out before returning; a frame
    // larger than asked for is shrunk on the way, and never copied whole.
    const QImage planes(pixels, width, height, stride, hasAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const QSize fitted = fittedSize(planes.size(), longSide);
    return fitted == planes.size() ? planes.copy()
                                   : planes.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace tl::extension
