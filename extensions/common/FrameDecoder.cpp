#include "extensions/common/FrameDecoder.h"

#include "extensions/common/HeifDecoder.h"
#include "extensions/common/PngFrameDecoder.h"
#include "extensions/common/TiffFrameDecoder.h"
#include "extensions/common/WebpFrameDecoder.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tl::extension {
namespace {

// Qt's readers take the rest (JPEG, BMP and the rare TIFF libtiff cannot colour), each decoding
// to one full-size picture at most: one of 8 bits per channel within the pixel bound below
// passes, a deeper one of that many pixels is refused rather than taking gigabytes.
constexpr int allocationLimitMegabytes = 1024;
constexpr qint64 largestSide = 32768;
constexpr qint64 largestPixels = qint64 { 16384 } * 16384;

QImage scaledToFit(const QImage& image, int longSide)
{
    const QSize target = fittedSize(image.size(), longSide);
    if (image.isNull() || target == image.size()) return image;
    return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage decodeWithQt(QFile& file, int longSide)
{
    QImageReader::setAllocationLimit(allocationLimitMegabytes);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (isTooLargeToDecode(stored)) return {};
    // The bound is square, so it fits the stored size whatever orientation is applied later.
    if (stored.isValid()) reader.setScaledSize(fittedSize(stored, longSide));
    return scaledToFit(reader.read(), longSide);
}

QImage decodeTiffOrWithQt(QFile& file, int longSide)
{
    const auto frame = decodeTiff(file.fileName(), longSide);
    return frame ? scaledToFit(*frame, longSide) : decodeWithQt(file, longSide);
}

} // namespace

bool isTooLargeToDecode(const QSize& stored)
{
    return stored.width() > largestSide || stored.height() > largestSide
        || qint64 { stored.width() } * stored.height() > largestPixels;
}

QSize fittedSize(const QSize& source, int longSide)
{
    const int longest = std::max(source.width(), source.height());
    if (longSide <= 0 || source.isEmpty() || longest <= longSide) return source;
    const double scale = double(longSide) / longest;
    const auto side = [scale](int length) { return std::max(1, int(std::lround(length * scale))); };
    return { side(source.width()), side(source.height()) };
}

QImage decodeFrame(const QString& path, int longSide)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = file.peek(64);
    QImage frame = isDecodableHeif(head) ? decodeHeif(path, longSide)
        : isPng(head)                    ? scaledToFit(decodePng(path, longSide), longSide)
        : isWebp(head)                   ? decodeWebp(path, longSide)
        : isTiff(head)                   ? decodeTiffOrWithQt(file, longSide)
                                         : decodeWithQt(file, longSide);
    if (frame.isNull()) return {};
    // Deep frames (16-bit PNG, for one) are shown and stored at 8 bits per channel: half the memory.
    // Frames already of 32 bits are converted in place, so a full-size one is never held twice.
    const QImage::Format format = frame.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    return std::move(frame).convertToFormat(format);
}

} // namespace tl::extension
