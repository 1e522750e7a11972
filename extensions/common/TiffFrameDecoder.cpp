#include "extensions/common/TiffFrameDecoder.h"

#include "extensions/common/BandAverager.h"
#include "extensions/common/FrameDecoder.h"

#include <QFile>

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <memory>
#include <vector>

namespace tl::extension {
namespace {

// One band's colours stay this small, whatever the strips or tiles are.
constexpr qint64 largestBandBytes = qint64 { 64 } << 20;
// What one decode may hold at once: the decoded strip or tile, the band and, unshrunk, the frame.
// With the program's own few megabytes this keeps it under one and a half gigabytes.
constexpr qint64 largestWorkingBytes = qint64 { 1280 } << 20;

int ignoreMessage(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using Tiff = std::unique_ptr<TIFF, TiffCloser>;

Tiff openQuietly(const QString& path)
{
    const std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
    if (!options) return nullptr;
    // A damaged file is an ordinary answer here, not something to print.
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), ignoreMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), ignoreMessage, nullptr);
    return Tiff(TIFFOpenExt(QFile::encodeName(path).constData(), "r", options.get()));
}

class RgbaReader {
public:
    explicit RgbaReader(TIFF* tiff)
    {
        char message[1024] = {};
        begun_ = TIFFRGBAImageOK(tiff, message) && TIFFRGBAImageBegin(&image_, tiff, 0, message);
        // Rows as stored, as the app shows them; a flip would also defeat reading by bands.
        if (begun_) image_.req_orientation = image_.orientation;
    }
    ~RgbaReader()
    {
        if (begun_) TIFFRGBAImageEnd(&image_);
    }
    RgbaReader(const RgbaReader&) = delete;
    RgbaReader& operator=(const RgbaReader&) = delete;

    bool begun() const { return begun_; }
    bool hasAlpha() const { return image_.alpha != 0; }

    // Rows y to y + count into `pixels`, each `width` ABGR words.
    bool read(int y, int count, uchar* pixels)
    {
        image_.row_offset = y;
        return TIFFRGBAImageGet(&image_, reinterpret_cast<uint32_t*>(pixels), image_.width, uint32_t(count)) != 0;
    }

private:
    TIFFRGBAImage image_ {};
    bool begun_ = false;
};

// Whole strips or rows of tiles, so none is decoded twice, unless that band would be too large.
int bandRows(TIFF* tiff, int width, int height)
{
    uint32_t rows = 0;
    if (TIFFIsTiled(tiff))
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &rows);
    else
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rows);
    const qint64 fitting = std::max<qint64>(1, largestBandBytes / (qint64 { 4 } * width));
    return int(std::clamp<qint64>(rows, 1, std::min<qint64>(fitting, height)));
}

qint64 blockBytes(TIFF* tiff)
{
    return std::max<qint64>(0, TIFFIsTiled(tiff) ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff));
}

} // namespace

bool isTiff(const QByteArray& head)
{
    if (head.size() < 4) return false;
    const auto byte = [&head](int at) { return uchar(head[at]); };
    const bool little = byte(0) == 'I' && byte(1) == 'I' && (byte(2) == 42 || byte(2) == 43) && byte(3) == 0;
    const bool big = byte(0) == 'M' && byte(1) == 'M' && byte(2) == 0 && (byte(3) == 42 || byte(3) == 43);
    return little || big;
}

std::optional<QImage> decodeTiff(const QString& path, int longSide)
{
    const Tiff tiff = openQuietly(path);
    if (!tiff) return QImage();
    uint32_t storedWidth = 0, storedHeight = 0;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &storedWidth)
        || !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &storedHeight) || storedWidth == 0 || storedHeight == 0
        || isTooLargeToDecode(QSize(int(std::min(storedWidth, 1u << 30)), int(std::min(storedHeight, 1u << 30)))))
        return QImage();
    const int width = int(storedWidth);
    const int height = int(storedHeight);

    RgbaReader reader(tiff.get());
    if (!reader.begun()) return std::nullopt;
    const int rows = bandRows(tiff.get(), width, height);
    const int factor = BandAverager::factorFor(width, height, longSide);
    const qint64 frameBytes = factor == 1 ? qint64 { 4 } * width * height : 0;
    if (blockBytes(tiff.get()) + qint64 { 4 } * width * rows + frameBytes > largestWorkingBytes) return QImage();

    // libtiff hands alpha over premultiplied, each pixel's bytes in R, G, B, A order.
    const QImage::Format format = reader.hasAlpha() ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBX8888;
    if (factor == 1) {
        QImage whole(width, height, format);
        if (whole.isNull()) return QImage();
        for (int y = 0; y < height; y += rows) {
            if (!reader.read(y, std::min(rows, height - y), whole.scanLine(y))) return QImage();
        }
        return whole;
    }
    QImage reduced = BandAverager::reducedCanvas(width, height, factor, format);
    if (reduced.isNull()) return QImage();
    BandAverager averager(reduced, width, factor);
    std::vector<uchar> band(std::size_t(width) * 4 * std::size_t(rows));
    for (int y = 0; y < height; y += rows) {
        const int count = std::min(rows, height - y);
        if (!reader.read(y, count, band.data())) return QImage();
        for (int row = 0; row < count; ++row)
            averager.add(band.data() + std::size_t(row) * std::size_t(width) * 4);
    }
    averager.flush();
    return reduced;
}

} // namespace tl::extension
