#include "platform/ImageDecodingTiff.h"

#include "platform/DecodeBudget.h"
#include "platform/ImageDecodingBands.h"
#include "platform/SrgbConversion.h"

#include <opencv2/imgproc.hpp>

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace tl {
namespace {

// Bands are a strip or a row of tiles high, cut down so one band's pixels stay this small.
constexpr std::uint64_t largestBandBytes = std::uint64_t { 64 } << 20;

struct Cursor {
    const ImageSource* source;
    std::uint64_t position = 0;
};

tmsize_t readBytes(thandle_t handle, void* out, tmsize_t size)
{
    auto* cursor = static_cast<Cursor*>(handle);
    const std::uint64_t left = cursor->source->size() - std::min(cursor->position, cursor->source->size());
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size), left));
    if (!cursor->source->read(cursor->position, { static_cast<std::uint8_t*>(out), count })) return -1;
    cursor->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t refuseWrite(thandle_t, void*, tmsize_t)
{
    return -1;
}

toff_t seekTo(thandle_t handle, toff_t offset, int whence)
{
    auto* cursor = static_cast<Cursor*>(handle);
    const std::uint64_t base = whence == SEEK_CUR ? cursor->position : whence == SEEK_END ? cursor->source->size() : 0;
    cursor->position = base + offset;
    return cursor->position;
}

int closeNothing(thandle_t)
{
    return 0;
}

toff_t sizeOf(thandle_t handle)
{
    return static_cast<Cursor*>(handle)->source->size();
}

int mapNothing(thandle_t, void**, toff_t*)
{
    return 0;
}

void unmapNothing(thandle_t, void*, toff_t)
{
}

// A damaged file is an ordinary outcome here, not something to print.
int ignoreMessage(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

TiffHandle open(Cursor& cursor)
{
    const std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
    if (!options) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), ignoreMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), ignoreMessage, nullptr);
    // "m": no memory mapping, every byte comes through the source.
    return TiffHandle(TIFFClientOpenExt("picture", "rm", &cursor, readBytes, refuseWrite, seekTo, closeNothing, sizeOf,
        mapNothing, unmapNothing, options.get()));
}

std::optional<ImageExtent> extentOf(TIFF* tiff)
{
    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height))
        return std::nullopt;
    return ImageExtent { width, height };
}

struct RgbaReader {
    TIFFRGBAImage image {};
    bool begun = false;
    ~RgbaReader()
    {
        if (begun) TIFFRGBAImageEnd(&image);
    }
};

// Rows read together: whole strips or tile rows, so none is decoded twice.
int bandRows(TIFF* tiff, int width, int height)
{
    std::uint32_t rows = 0;
    if (TIFFIsTiled(tiff)) {
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &rows);
    } else {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rows);
    }
    const auto fitting
        = static_cast<std::uint32_t>(std::max<std::uint64_t>(1, largestBandBytes / (std::uint64_t { 4 } * width)));
    return static_cast<int>(std::clamp<std::uint32_t>(rows, 1, std::min<std::uint32_t>(fitting, height)));
}

// What a band decode holds besides its result: the band, its straight-alpha copy and libtiff's
// coded and decoded strip or tile.
std::uint64_t workingBytes(TIFF* tiff, int width, int rows)
{
    const auto block = static_cast<std::uint64_t>(
        std::max<tmsize_t>(TIFFIsTiled(tiff) ? TIFFTileSize(tiff) : TIFFStripSize(tiff), 0));
    return pictureBytes(width, rows, 8.0) + 2 * block;
}

std::vector<std::uint8_t> iccProfile(TIFF* tiff)
{
    std::uint32_t count = 0;
    void* data = nullptr;
    if (!TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &count, &data) || !data) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return { bytes, bytes + count };
}

} // namespace

bool isTiffFile(std::span<const std::uint8_t> head)
{
    if (head.size() < 4) return false;
    const bool little = head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0;
    const bool big = head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
    return little || big;
}

std::optional<ImageExtent> readTiffExtent(const ImageSource& source)
{
    Cursor cursor { &source };
    const TiffHandle tiff = open(cursor);
    return tiff ? extentOf(tiff.get()) : std::nullopt;
}

std::optional<cv::Mat> decodeTiff(const ImageSource& source, int maxLongSide)
{
    Cursor cursor { &source };
    const TiffHandle tiff = open(cursor);
    if (!tiff) return cv::Mat();
    const auto extent = extentOf(tiff.get());
    if (!extent || extent->width <= 0 || extent->height <= 0 || isTooLargeToDecode(*extent)) return cv::Mat();
    const int width = static_cast<int>(extent->width);
    const int height = static_cast<int>(extent->height);

    char message[1024] = {};
    RgbaReader reader;
    if (!TIFFRGBAImageOK(tiff.get(), message)) return std::nullopt;
    reader.begun = TIFFRGBAImageBegin(&reader.image, tiff.get(), 0, message) != 0;
    if (!reader.begun) return std::nullopt;
    // Rows as stored, as every other format is read.
    reader.image.req_orientation = reader.image.orientation;
    const bool alpha = reader.image.alpha != 0;
    const int channels = alpha ? 4 : 3;
    const int rows = bandRows(tiff.get(), width, height);
    const int factor = RowBandShrinker::factorFor(width, height, maxLongSide);

    const auto reservation = DecodeBudget::shared().reserve(
        workingBytes(tiff.get(), width, rows) + (factor == 1 ? pictureBytes(width, height, channels) : 0));
    cv::Mat band(rows, width, CV_8UC4);
    cv::Mat whole;
    std::optional<RowBandShrinker> shrinker;
    if (factor == 1) {
        whole.create(height, width, CV_8UC(channels));
    } else {
        shrinker.emplace(width, height, 4, factor);
    }
    for (int y = 0; y < height; y += rows) {
        const int count = std::min(rows, height - y);
        reader.image.row_offset = y;
        cv::Mat part = band.rowRange(0, count);
        if (!TIFFRGBAImageGet(&reader.image, reinterpret_cast<std::uint32_t*>(part.data),
                static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(count)))
            return cv::Mat();
        if (shrinker) {
            for (int row = 0; row < count; ++row)
                shrinker->addRow(part.ptr(row));
            continue;
        }
        // libtiff hands alpha over premultiplied.
        if (alpha) cv::cvtColor(part, part, cv::COLOR_mRGBA2RGBA);
        cv::Mat target = whole.rowRange(y, y + count);
        cv::cvtColor(part, target, alpha ? cv::COLOR_RGBA2BGRA : cv::COLOR_RGBA2BGR);
    }
    if (shrinker) {
        cv::Mat reduced = shrinker->take();
        if (alpha) cv::cvtColor(reduced, reduced, cv::COLOR_mRGBA2RGBA);
        cv::cvtColor(reduced, whole, alpha ? cv::COLOR_RGBA2BGRA : cv::COLOR_RGBA2BGR);
    }
    return convertProfileToSrgb(whole, iccProfile(tiff.get()));
}

} // namespace tl
