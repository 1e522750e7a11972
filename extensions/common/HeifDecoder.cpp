#include "extensions/common/HeifDecoder.h"

#include "extensions/common/BandAverager.h"
#include "extensions/common/FrameDecoder.h"

#include <QFile>

#include <libheif/heif.h>

#include <array>
#include <memory>
#include <optional>
#include <vector>

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
struct OptionsDeleter {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<const heif_image_handle, HandleDeleter>;
using DecodedImage = std::unique_ptr<const heif_image, ImageDeleter>;
using DecodingOptions = std::unique_ptr<heif_decoding_options, OptionsDeleter>;

struct Plane {
    const uint8_t* data = nullptr;
    int stride = 0;
};

struct Planes {
    int width = 0;
    int height = 0;
    std::array<Plane, 3> rgb;
    std::optional<Plane> alpha;
};

std::optional<Plane> planeOf(const heif_image* image, heif_channel channel, QSize size)
{
    Plane plane;
    plane.data = heif_image_get_plane_readonly(image, channel, &plane.stride);
    if (!plane.data || heif_image_get_bits_per_pixel(image, channel) != 8
        || QSize(heif_image_get_width(image, channel), heif_image_get_height(image, channel)) != size)
        return std::nullopt;
    return plane;
}

std::optional<Planes> planesOf(const heif_image* image)
{
    Planes planes;
    planes.width = heif_image_get_primary_width(image);
    planes.height = heif_image_get_primary_height(image);
    const QSize size(planes.width, planes.height);
    if (size.isEmpty()) return std::nullopt;
    const heif_channel channels[] = { heif_channel_R, heif_channel_G, heif_channel_B };
    for (std::size_t c = 0; c < planes.rgb.size(); ++c) {
        const auto plane = planeOf(image, channels[c], size);
        if (!plane) return std::nullopt;
        planes.rgb[c] = *plane;
    }
    if (heif_image_has_channel(image, heif_channel_Alpha)) {
        planes.alpha = planeOf(image, heif_channel_Alpha, size);
        if (!planes.alpha) return std::nullopt;
    }
    return planes;
}

// One row of the planes as premultiplied R, G, B, A bytes.
void interleaveRow(const Planes& planes, int y, uchar* out)
{
    const auto row = [y](const Plane& plane) { return plane.data + std::ptrdiff_t(y) * plane.stride; };
    const uint8_t* red = row(planes.rgb[0]);
    const uint8_t* green = row(planes.rgb[1]);
    const uint8_t* blue = row(planes.rgb[2]);
    const uint8_t* alpha = planes.alpha ? row(*planes.alpha) : nullptr;
    for (int x = 0; x < planes.width; ++x, out += 4) {
        const unsigned a = alpha ? alpha[x] : 255u;
        out[0] = uchar((red[x] * a + 127) / 255);
        out[1] = uchar((green[x] * a + 127) / 255);
        out[2] = uchar((blue[x] * a + 127) / 255);
        out[3] = uchar(a);
    }
}

// The planes as one 32-bit picture, a large one averaged down while its rows are interleaved, so
// no full-size interleaved copy is made.
QImage shrunkFrame(const Planes& planes, int longSide)
{
    const QImage::Format format = planes.alpha ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888;
    const int factor = BandAverager::factorFor(planes.width, planes.height, longSide);
    QImage shrunk = BandAverager::reducedCanvas(planes.width, planes.height, factor, format);
    if (shrunk.isNull()) return {};
    if (factor == 1) {
        for (int y = 0; y < planes.height; ++y)
            interleaveRow(planes, y, shrunk.scanLine(y));
        return shrunk;
    }
    BandAverager averager(shrunk, planes.width, factor);
    std::vector<uchar> row(std::size_t(planes.width) * 4);
    for (int y = 0; y < planes.height; ++y) {
        interleaveRow(planes, y, row.data());
        averager.add(row.data());
    }
    averager.flush();
    return shrunk;
}

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

    // Planar RGB, not interleaved: libheif makes interleaved pixels by way of another full-size
    // copy, which on a 16384 x 16384 frame takes the thumbnailer past a gigabyte and a half.
    const DecodingOptions options(heif_decoding_options_alloc());
    if (!options) return {};
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_444, options.get()).code
        != heif_error_Ok)
        return {};
    const DecodedImage image(rawImage);
    const std::optional<Planes> planes = planesOf(image.get());
    if (!planes) return {};
    const QImage shrunk = shrunkFrame(*planes, longSide);
    if (shrunk.isNull()) return {};
    const QSize fitted = fittedSize(shrunk.size(), longSide);
    return fitted == shrunk.size() ? shrunk : shrunk.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace tl::extension
