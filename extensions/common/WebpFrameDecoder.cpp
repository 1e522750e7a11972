#include "extensions/common/WebpFrameDecoder.h"

#include "extensions/common/FrameDecoder.h"

#include <QFile>

#include <webp/decode.h>

namespace tl::extension {
namespace {

// Frees what the decoder allocated for itself; our pixels are the caller's.
class DecoderConfig {
public:
    DecoderConfig() { valid_ = WebPInitDecoderConfig(&config_) != 0; }
    ~DecoderConfig() { WebPFreeDecBuffer(&config_.output); }
    DecoderConfig(const DecoderConfig&) = delete;
    DecoderConfig& operator=(const DecoderConfig&) = delete;

    bool valid() const { return valid_; }
    WebPDecoderConfig& operator*() { return config_; }

private:
    WebPDecoderConfig config_ {};
    bool valid_ = false;
};

} // namespace

bool isWebp(const QByteArray& head)
{
    return head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WEBP";
}

QImage decodeWebp(const QString& path, int longSide)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    // Mapped rather than read: the file's bytes cost no memory of their own.
    const qint64 size = file.size();
    const uchar* bytes = size > 0 ? file.map(0, size) : nullptr;
    DecoderConfig config;
    if (!bytes || !config.valid()) return {};
    WebPDecoderConfig& decoder = *config;
    if (WebPGetFeatures(bytes, std::size_t(size), &decoder.input) != VP8_STATUS_OK) return {};
    const QSize stored(decoder.input.width, decoder.input.height);
    if (stored.isEmpty() || decoder.input.has_animation || isTooLargeToDecode(stored)) return {};

    const QSize fitted = fittedSize(stored, longSide);
    if (fitted != stored) {
        decoder.options.use_scaling = 1;
        decoder.options.scaled_width = fitted.width();
        decoder.options.scaled_height = fitted.height();
    }
    // B, G, R, A in memory is QImage's 32-bit layout on little-endian machines; without alpha the
    // decoder writes it opaque.
    QImage frame(fitted, decoder.input.has_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (frame.isNull()) return {};
    decoder.output.colorspace = MODE_BGRA;
    decoder.output.is_external_memory = 1;
    decoder.output.u.RGBA.rgba = frame.bits();
    decoder.output.u.RGBA.stride = int(frame.bytesPerLine());
    decoder.output.u.RGBA.size = std::size_t(frame.sizeInBytes());
    return WebPDecode(bytes, std::size_t(size), &decoder) == VP8_STATUS_OK ? frame : QImage();
}

} // namespace tl::extension
