#include "platform/ImageDecodingTiff.h"

#include "platform/DecodeBudget.h"
#include "platform/ImageDecodingBands.h"
#include "platform/SrgbConversion.h"
#include "platform/TiffClient.h"
#include "platform/TiffSamples.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <memory>
#include <vector>

namespace tl {
namespace {

// A tile row, or a strip for libtiff's own conversion, is held whole; one beyond this is refused
// rather than read in parts, as every part would decode it again from its start.
constexpr std::uint64_t largestBandBytes = std::uint64_t { 256 } << 20;

std::optional<ImageExtent> extentOf(TIFF* tiff)
{
    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height))
        return std::nullopt;
    return ImageExtent { width, height };
}

std::vector<std::uint8_t> iccProfile(TIFF* tiff)
{
    std::uint32_t count = 0;
    void* data = nullptr;
    if (!TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &count, &data) || !data) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return { bytes, bytes + count };
}

std::uint16_t field16(TIFF* tiff, ttag_t tag)
{
    std::uint16_t value = 0;
    TIFFGetFieldDefaulted(tiff, tag, &value);
    return value;
}

std::optional<std::vector<cv::Vec3b>> paletteOf(TIFF* tiff, int bits)
{
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue) return std::nullopt;
    const std::size_t count = std::size_t { 1 } << bits;
    // Some writers store 8-bit entries in the 16-bit fields.
    const bool eightBit = std::all_of(red, red + count, [](auto v) { return v < 256; })
        && std::all_of(green, green + count, [](auto v) { return v < 256; })
        && std::all_of(blue, blue + count, [](auto v) { return v < 256; });
    std::vector<cv::Vec3b> palette(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto narrow = [&](std::uint16_t v) { return static_cast<std::uint8_t>(eightBit ? v : v >> 8); };
        palette[i] = { narrow(blue[i]), narrow(green[i]), narrow(red[i]) };
    }
    return palette;
}

// Alpha as libtiff's RGBA conversion finds it, unspecified extra samples included.
void findAlpha(TIFF* tiff, int colourSamples, TiffPixelLayout& layout)
{
    std::uint16_t count = 0;
    const std::uint16_t* kinds = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds);
    bool alpha = false;
    if (count >= 1 && kinds) {
        alpha = kinds[0] == EXTRASAMPLE_ASSOCALPHA || kinds[0] == EXTRASAMPLE_UNASSALPHA
            || (kinds[0] == EXTRASAMPLE_UNSPECIFIED && layout.samplesPerPixel > 3);
        layout.alphaPremultiplied = kinds[0] != EXTRASAMPLE_UNASSALPHA;
    } else if (layout.samplesPerPixel == 4 && layout.colour == TiffPixelLayout::Colour::rgb) {
        alpha = true;
        layout.alphaPremultiplied = true;
    }
    if (alpha && layout.samplesPerPixel > colourSamples) layout.alphaSample = colourSamples;
}

// None for the kinds left to libtiff's RGBA conversion or to the generic decoder.
std::optional<TiffPixelLayout> pixelLayoutOf(TIFF* tiff)
{
    using Colour = TiffPixelLayout::Colour;
    std::uint16_t photometric = 0;
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric)) return std::nullopt;
    TiffPixelLayout layout;
    layout.bitsPerSample = field16(tiff, TIFFTAG_BITSPERSAMPLE);
    layout.samplesPerPixel = field16(tiff, TIFFTAG_SAMPLESPERPIXEL);
    const std::uint16_t format = field16(tiff, TIFFTAG_SAMPLEFORMAT);
    layout.floatingPoint = format == SAMPLEFORMAT_IEEEFP;
    const int bits = layout.bitsPerSample;
    if (layout.floatingPoint
            ? bits != 32 && bits != 64
            : format != SAMPLEFORMAT_UINT || (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16))
        return std::nullopt;
    int colourSamples = 1;
    switch (photometric) {
    case PHOTOMETRIC_MINISBLACK:
        layout.colour = Colour::grey;
        break;
    case PHOTOMETRIC_MINISWHITE:
        layout.colour = Colour::greyInverted;
        if (layout.floatingPoint) return std::nullopt;
        break;
    case PHOTOMETRIC_YCBCR:
        // libjpeg turns it into RGB; other codings keep subsampled chroma, left to libtiff.
        if (field16(tiff, TIFFTAG_COMPRESSION) != COMPRESSION_JPEG
            || field16(tiff, TIFFTAG_PLANARCONFIG) != PLANARCONFIG_CONTIG
            || !TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB))
            return std::nullopt;
        [[fallthrough]];
    case PHOTOMETRIC_RGB:
        layout.colour = Colour::rgb;
        colourSamples = 3;
        break;
    case PHOTOMETRIC_PALETTE: {
        if (layout.floatingPoint || bits > 8) return std::nullopt;
        auto palette = paletteOf(tiff, bits);
        if (!palette) return std::nullopt;
        layout.colour = Colour::palette;
        layout.palette = std::move(*palette);
        break;
    }
    case PHOTOMETRIC_SEPARATED:
        if (field16(tiff, TIFFTAG_INKSET) != INKSET_CMYK || bits != 8 || layout.floatingPoint) return std::nullopt;
        layout.colour = Colour::cmyk;
        colourSamples = 4;
        break;
    default:
        return std::nullopt;
    }
    if (layout.samplesPerPixel < colourSamples) return std::nullopt;
    findAlpha(tiff, colourSamples, layout);
    return layout;
}

// Where decoded rows go: the whole picture, or, for a preview, an averager that never holds it.
class RowSink {
public:
    RowSink(int width, int height, int channels, int factor)
        : channels_(channels)
    {
        if (factor == 1) {
            whole_.create(height, width, CV_8UC(channels));
        } else {
            shrinker_.emplace(width, height, channels, factor);
            row_.create(1, width, CV_8UC(channels));
        }
    }
    // Averages must be taken over premultiplied colour, or clear pixels would tint their block.
    bool wantsPremultiplied() const { return shrinker_ && channels_ == 4; }
    std::uint8_t* row(int y) { return shrinker_ ? row_.ptr() : whole_.ptr(y); }
    void commit()
    {
        if (shrinker_) shrinker_->addRow(row_.ptr());
    }
    cv::Mat take()
    {
        if (!shrinker_) return std::move(whole_);
        cv::Mat reduced = shrinker_->take();
        if (channels_ == 4) cv::cvtColor(reduced, reduced, cv::COLOR_mRGBA2RGBA);
        return reduced;
    }

private:
    int channels_;
    cv::Mat whole_;
    cv::Mat row_;
    std::optional<RowBandShrinker> shrinker_;
};

std::uint64_t resultBytes(int width, int height, int channels, int factor)
{
    const auto reduced = [&](int side) { return (side + factor - 1) / factor; };
    return factor == 1 ? pictureBytes(width, height, channels)
                       : pictureBytes(reduced(width), reduced(height), channels) + pictureBytes(width, 1, 8 * channels);
}

// The largest coded strip or tile: libtiff reads one whole before decoding it.
std::uint64_t largestCodedBlock(TIFF* tiff, const ImageSource& source)
{
    const std::uint32_t blocks = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    std::uint64_t largest = 0;
    for (std::uint32_t block = 0; block < blocks; ++block)
        largest = std::max<std::uint64_t>(largest, TIFFGetStrileByteCount(tiff, block));
    return std::min(largest, source.size());
}

// The samples to read: the colour samples and alpha.
std::vector<int> samplesUsed(const TiffPixelLayout& layout)
{
    const int colour = layout.alphaSample >= 0           ? layout.alphaSample
        : layout.colour == TiffPixelLayout::Colour::rgb  ? 3
        : layout.colour == TiffPixelLayout::Colour::cmyk ? 4
                                                         : 1;
    std::vector<int> samples;
    for (int s = 0; s < colour; ++s)
        samples.push_back(s);
    if (layout.alphaSample >= 0) samples.push_back(layout.alphaSample);
    return samples;
}

// Strips read a scanline at a time in order, so each is decoded once however tall it is. Planes
// stored apart are read through a handle each: one handle moving between planes would restart
// every strip from its beginning.
bool readStrips(
    const ImageSource& source, TIFF* first, const TiffPixelLayout& layout, int width, int height, RowSink& sink)
{
    const bool separate = field16(first, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_SEPARATE;
    const std::vector<int> samples = separate ? samplesUsed(layout) : std::vector { 0 };
    std::vector<std::unique_ptr<TiffClient>> extraClients;
    std::vector<TIFF*> handles { first };
    for (std::size_t i = 1; i < samples.size(); ++i) {
        extraClients.push_back(std::make_unique<TiffClient>(source));
        if (!extraClients.back()->get()) return false;
        handles.push_back(extraClients.back()->get());
    }
    const auto stride = static_cast<std::size_t>(layout.samplesPerPixel);
    std::vector<std::uint8_t> scanline(static_cast<std::size_t>(TIFFScanlineSize(first)));
    std::vector<std::uint8_t> eightBit(static_cast<std::size_t>(width) * stride);
    for (int y = 0; y < height; ++y) {
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (TIFFReadScanline(
                    handles[i], scanline.data(), static_cast<std::uint32_t>(y), static_cast<std::uint16_t>(samples[i]))
                < 0)
                return false;
            if (separate) {
                storedToEightBit(
                    layout, scanline.data(), static_cast<std::size_t>(width), eightBit.data() + samples[i], stride);
            } else {
                storedToEightBit(layout, scanline.data(), width * stride, eightBit.data(), 1);
            }
        }
        eightBitToPixels(layout, eightBit.data(), width, sink.wantsPremultiplied(), sink.row(y));
        sink.commit();
    }
    return true;
}

struct TileShape {
    int width = 0;
    int height = 0;
};

TileShape tileShapeOf(TIFF* tiff)
{
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &height);
    return { static_cast<int>(width), static_cast<int>(height) };
}

// A row of tiles at a time, each tile decoded once into a band of 8-bit samples.
bool readTiles(TIFF* tiff, const TiffPixelLayout& layout, int width, int height, RowSink& sink)
{
    const TileShape tile = tileShapeOf(tiff);
    const bool separate = field16(tiff, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_SEPARATE;
    const std::vector<int> samples = separate ? samplesUsed(layout) : std::vector { 0 };
    const auto stride = static_cast<std::size_t>(layout.samplesPerPixel);
    const auto tileRowBytes = static_cast<std::size_t>(TIFFTileRowSize(tiff));
    std::vector<std::uint8_t> coded(static_cast<std::size_t>(TIFFTileSize(tiff)));
    std::vector<std::uint8_t> band(static_cast<std::size_t>(tile.height) * width * stride);
    for (int top = 0; top < height; top += tile.height) {
        const int rows = std::min(tile.height, height - top);
        for (int left = 0; left < width; left += tile.width) {
            const int columns = std::min(tile.width, width - left);
            for (const int sample : samples) {
                if (TIFFReadTile(tiff, coded.data(), static_cast<std::uint32_t>(left), static_cast<std::uint32_t>(top),
                        0, static_cast<std::uint16_t>(sample))
                    < 0)
                    return false;
                for (int row = 0; row < rows; ++row) {
                    std::uint8_t* target = band.data() + (static_cast<std::size_t>(row) * width + left) * stride;
                    if (separate) {
                        storedToEightBit(layout, coded.data() + row * tileRowBytes, static_cast<std::size_t>(columns),
                            target + sample, stride);
                    } else {
                        storedToEightBit(layout, coded.data() + row * tileRowBytes, columns * stride, target, 1);
                    }
                }
            }
        }
        for (int row = 0; row < rows; ++row) {
            eightBitToPixels(layout, band.data() + static_cast<std::size_t>(row) * width * stride, width,
                sink.wantsPremultiplied(), sink.row(top + row));
            sink.commit();
        }
    }
    return true;
}

// What reading by samples holds besides its result.
std::optional<std::uint64_t> sampleWorkingBytes(
    TIFF* tiff, const ImageSource& source, const TiffPixelLayout& layout, int width)
{
    const std::uint64_t coded = largestCodedBlock(tiff, source);
    const std::uint64_t eightBitRow = static_cast<std::uint64_t>(width) * layout.samplesPerPixel;
    if (!TIFFIsTiled(tiff)) {
        const std::uint64_t handles = samplesUsed(layout).size();
        return handles * (coded + static_cast<std::uint64_t>(TIFFScanlineSize64(tiff))) + eightBitRow;
    }
    const TileShape tile = tileShapeOf(tiff);
    if (tile.width <= 0 || tile.height <= 0) return std::nullopt;
    const auto decodedTile = static_cast<std::uint64_t>(TIFFTileSize64(tiff));
    const std::uint64_t band = eightBitRow * static_cast<std::uint64_t>(tile.height);
    if (decodedTile > largestBandBytes || band > largestBandBytes) return std::nullopt;
    return coded + decodedTile + band;
}

cv::Mat decodeBySamples(
    TIFF* tiff, const ImageSource& source, const TiffPixelLayout& layout, int width, int height, int maxLongSide)
{
    const auto working = sampleWorkingBytes(tiff, source, layout, width);
    if (!working) return {};
    const int channels = layout.outputChannels();
    const int factor = RowBandShrinker::factorFor(width, height, maxLongSide);
    const auto reservation = DecodeBudget::shared().reserve(*working + resultBytes(width, height, channels, factor));
    RowSink sink(width, height, channels, factor);
    const bool read = TIFFIsTiled(tiff) ? readTiles(tiff, layout, width, height, sink)
                                        : readStrips(source, tiff, layout, width, height, sink);
    return read ? sink.take() : cv::Mat();
}

struct RgbaReader {
    TIFFRGBAImage image {};
    bool begun = false;
    ~RgbaReader()
    {
        if (begun) TIFFRGBAImageEnd(&image);
    }
};

// Rows libtiff's conversion is asked for at once: whole strips or tile rows, as a part of one
// would be decoded again from its start for every part.
int conversionBandRows(TIFF* tiff)
{
    std::uint32_t rows = 0;
    if (TIFFIsTiled(tiff)) {
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &rows);
    } else {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rows);
    }
    return static_cast<int>(std::max<std::uint32_t>(rows, 1));
}

// The kinds only libtiff converts (subsampled Y'CbCr, CIE L*a*b*, log luminance and so on).
std::optional<cv::Mat> decodeByConversion(TIFF* tiff, const ImageSource& source, int width, int height, int maxLongSide)
{
    char message[1024] = {};
    RgbaReader reader;
    if (!TIFFRGBAImageOK(tiff, message)) return std::nullopt;
    reader.begun = TIFFRGBAImageBegin(&reader.image, tiff, 0, message) != 0;
    if (!reader.begun) return std::nullopt;
    // Rows as stored, as every other format is read.
    reader.image.req_orientation = reader.image.orientation;
    const bool alpha = reader.image.alpha != 0;
    const int channels = alpha ? 4 : 3;
    const int rows = std::min(conversionBandRows(tiff), height);
    const std::uint64_t bandBytes = pictureBytes(width, rows, 4);
    if (bandBytes > largestBandBytes) return cv::Mat();
    const int factor = RowBandShrinker::factorFor(width, height, maxLongSide);
    const auto decodedBlock = static_cast<std::uint64_t>(
        std::max<tmsize_t>(TIFFIsTiled(tiff) ? TIFFTileSize(tiff) : TIFFStripSize(tiff), 0));
    const auto reservation = DecodeBudget::shared().reserve(
        largestCodedBlock(tiff, source) + decodedBlock + bandBytes + resultBytes(width, height, channels, factor));
    cv::Mat band(rows, width, CV_8UC4);
    // libtiff hands alpha over premultiplied, as the averaging wants it.
    RowSink sink(width, height, 4, factor);
    for (int y = 0; y < height; y += rows) {
        const int count = std::min(rows, height - y);
        reader.image.row_offset = y;
        if (!TIFFRGBAImageGet(&reader.image, reinterpret_cast<std::uint32_t*>(band.data),
                static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(count)))
            return cv::Mat();
        for (int row = 0; row < count; ++row) {
            std::copy_n(band.ptr(row), static_cast<std::size_t>(width) * 4, sink.row(y + row));
            sink.commit();
        }
    }
    cv::Mat rgba = sink.take();
    if (factor == 1 && alpha) cv::cvtColor(rgba, rgba, cv::COLOR_mRGBA2RGBA);
    cv::Mat bgr;
    cv::cvtColor(rgba, bgr, alpha ? cv::COLOR_RGBA2BGRA : cv::COLOR_RGBA2BGR);
    return bgr;
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
    const TiffClient client(source);
    return client.get() ? extentOf(client.get()) : std::nullopt;
}

std::optional<cv::Mat> decodeTiff(const ImageSource& source, int maxLongSide)
{
    const TiffClient client(source);
    TIFF* tiff = client.get();
    if (!tiff) return cv::Mat();
    const auto extent = extentOf(tiff);
    if (!extent || extent->width <= 0 || extent->height <= 0 || isTooLargeToDecode(*extent)) return cv::Mat();
    const int width = static_cast<int>(extent->width);
    const int height = static_cast<int>(extent->height);

    std::optional<cv::Mat> decoded;
    if (const auto layout = pixelLayoutOf(tiff)) {
        decoded = decodeBySamples(tiff, source, *layout, width, height, maxLongSide);
    } else {
        decoded = decodeByConversion(tiff, source, width, height, maxLongSide);
    }
    if (!decoded || decoded->empty()) return decoded;
    return convertProfileToSrgb(*decoded, iccProfile(tiff));
}

} // namespace tl
