#include "platform/Image.h"
#include "platform/ImageDecoding.h"
#include "support/AddressSpace.h"

#include "support/PeakMemory.h"
#include "support/TestImageFiles.h"
#include "support/TiledHeic.h"

#include <gtest/gtest.h>

#include <jpeglib.h>
#include <tiffio.h>
#include <zlib.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace tl {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t megabyte = 1 << 20;
constexpr int thumbnailSide = 320;

// One colour in every row, compressed, so the file stays small whatever the picture's size.
constexpr std::uint32_t stripRows = 64;

bool writeTiff(const fs::path& path, const char* mode, std::uint32_t width, std::uint32_t height, int bits,
    const std::vector<std::uint16_t>& pixel)
{
    TIFF* tiff = TIFFOpen(path.c_str(), mode);
    if (!tiff) return false;
    const auto channels = static_cast<std::uint16_t>(pixel.size());
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, channels >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    if (channels == 4) {
        const std::uint16_t extra[] = { EXTRASAMPLE_UNASSALPHA };
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_ZIPQUALITY, 1);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, stripRows);
    std::vector<std::uint8_t> strip(static_cast<std::size_t>(width) * stripRows * channels * (bits / 8));
    for (std::size_t at = 0; at < strip.size(); at += bits / 8) {
        const std::uint16_t value = pixel[(at / (bits / 8)) % channels];
        if (bits == 16) {
            std::memcpy(&strip[at], &value, 2);
        } else {
            strip[at] = static_cast<std::uint8_t>(value);
        }
    }
    // Every strip is the same: compressed once, written as is.
    std::vector<std::uint8_t> packed(compressBound(static_cast<uLong>(strip.size())));
    uLongf packedSize = static_cast<uLongf>(packed.size());
    bool written = compress2(packed.data(), &packedSize, strip.data(), static_cast<uLong>(strip.size()), 1) == Z_OK;
    for (std::uint32_t index = 0; index < TIFFNumberOfStrips(tiff) && written; ++index)
        written = TIFFWriteRawStrip(tiff, index, packed.data(), static_cast<tmsize_t>(packedSize)) > 0;
    TIFFClose(tiff);
    return written;
}

// A lossless WebP of one colour: every prefix code holds a single symbol, so pixels take no bits.
void writeFlatLosslessWebp(const fs::path& path, int width, int height, cv::Vec4b bgra)
{
    std::vector<std::uint8_t> bits;
    std::uint64_t pending = 0;
    int used = 0;
    const auto put = [&](std::uint64_t value, int count) {
        pending |= value << used;
        used += count;
        while (used >= 8) {
            bits.push_back(static_cast<std::uint8_t>(pending));
            pending >>= 8;
            used -= 8;
        }
    };
    put(0x2F, 8);
    put(static_cast<std::uint64_t>(width - 1), 14);
    put(static_cast<std::uint64_t>(height - 1), 14);
    put(0, 1); // no alpha used
    put(0, 3); // version
    put(0, 1); // no transform
    put(0, 1); // no colour cache
    put(0, 1); // one group of prefix codes
    for (const int symbol : { int { bgra[1] }, int { bgra[2] }, int { bgra[0] }, int { bgra[3] } })
        put(1 | 0 << 1 | 1 << 2 | static_cast<std::uint64_t>(symbol) << 3, 11); // simple, one 8-bit symbol
    put(1 | 0 << 1 | 0 << 2 | 0 << 3, 4); // distance: simple, one 1-bit symbol
    put(0, 7);
    const auto le32 = [](std::uint32_t value) {
        return std::string { char(value), char(value >> 8), char(value >> 16), char(value >> 24) };
    };
    std::string chunk = "VP8L" + le32(static_cast<std::uint32_t>(bits.size())) + std::string(bits.begin(), bits.end());
    if (chunk.size() % 2) chunk += '\0';
    std::ofstream(path, std::ios::binary)
        << "RIFF" << le32(static_cast<std::uint32_t>(chunk.size() + 4)) << "WEBP" << chunk;
}

// A progressive JPEG of one colour, written in a child: a progressive encoder holds every coefficient.
bool writeProgressiveJpeg(const fs::path& path, int side, cv::Vec3b rgb)
{
    const auto written = test::measureInChild([&]() -> std::int64_t {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) return 0;
        jpeg_compress_struct jpeg {};
        jpeg_error_mgr errors {};
        jpeg.err = jpeg_std_error(&errors);
        jpeg_create_compress(&jpeg);
        jpeg_stdio_dest(&jpeg, file);
        jpeg.image_width = static_cast<JDIMENSION>(side);
        jpeg.image_height = static_cast<JDIMENSION>(side);
        jpeg.input_components = 3;
        jpeg.in_color_space = JCS_RGB;
        jpeg_set_defaults(&jpeg);
        jpeg_set_quality(&jpeg, 90, TRUE);
        jpeg_simple_progression(&jpeg);
        jpeg_start_compress(&jpeg, TRUE);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(side) * 3);
        for (std::size_t at = 0; at < row.size(); ++at)
            row[at] = rgb[static_cast<int>(at % 3)];
        JSAMPROW rows[] = { row.data() };
        while (jpeg.next_scanline < jpeg.image_height)
            jpeg_write_scanlines(&jpeg, rows, 1);
        jpeg_finish_compress(&jpeg);
        jpeg_destroy_compress(&jpeg);
        return std::fclose(file) == 0 ? 1 : 0;
    });
    return written && written->result == 1;
}

// An uncompressed 24-bit bitmap whose pixels are a hole in a sparse file: black, and on disk
// nothing but its header.
void writeSparseBmp(const fs::path& path, int side)
{
    const auto le = [](std::uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i)
            out += char(value >> (8 * i));
        return out;
    };
    const std::uint32_t pixels = static_cast<std::uint32_t>(side) * static_cast<std::uint32_t>(side) * 3;
    std::ofstream(path, std::ios::binary)
        << "BM" << le(54 + pixels, 4) << le(0, 4) << le(54, 4) << le(40, 4) << le(static_cast<std::uint32_t>(side), 4)
        << le(static_cast<std::uint32_t>(side), 4) << le(1, 2) << le(24, 2) << le(0, 4) << le(pixels, 4) << le(2835, 4)
        << le(2835, 4) << le(0, 4) << le(0, 4);
    fs::resize_file(path, 54 + std::uintmax_t { pixels });
}

// The colour libheif itself decodes the tile to, for comparing with previews shrunk from planes.
const cv::Scalar heicTileYcbcr { 150, 90, 170 };

cv::Scalar heicTileColour(const fs::path& folder)
{
    const fs::path tile = folder / "tile.heic";
    if (!test::canEncodeHeic() || !test::TiledHeic::write(folder / "probe.heic", 64, 1, heicTileYcbcr, tile))
        return cv::Scalar::all(-1);
    const cv::Mat decoded = decodeImageFile(tile);
    return decoded.empty() ? cv::Scalar::all(-1) : cv::mean(decoded);
}

struct Row {
    const char* name;
    // Writes one of the three files; false when it cannot (no HEVC encoder).
    bool (*write)(const fs::path&);
    cv::Size thumbnail; // empty when the file must be refused
    cv::Scalar colour; // BGR; negative: libheif's own decode of the same colour
    bool sparse = false; // each copy is written afresh, as a copy would fill the hole
};

const Row rows[] = {
    { "Tiff16BitRgba",
        [](const fs::path& path) {
            return writeTiff(path, "w", 16384, 16384, 16, { 0x1212, 0x8080, 0xC0C0, 0xFFFF });
        },
        { 320, 320 }, { 192, 128, 18 } },
    { "Heic",
        [](const fs::path& path) {
            return test::canEncodeHeic() && test::TiledHeic::write(path, 1024, 16, heicTileYcbcr);
        },
        { 320, 320 }, cv::Scalar::all(-1) },
    { "LosslessWebp",
        [](const fs::path& path) {
            writeFlatLosslessWebp(path, 16383, 16383, { 30, 160, 220, 255 });
            return true;
        },
        { 320, 320 }, { 30, 160, 220 } },
    { "ProgressiveJpeg",
        [](const fs::path& path) {
            return writeProgressiveJpeg(path, 16384, { 200, 100, 40 });
        },
        { 320, 320 }, { 40, 100, 200 } },
    { "Bmp",
        [](const fs::path& path) {
            writeSparseBmp(path, 16384);
            return true;
        },
        { 320, 320 }, { 0, 0, 0 }, true },
    { "BigTiffBeyondTheLargestPicture",
        [](const fs::path& path) { return writeTiff(path, "w8", 32768, 16384, 8, { 77 }); }, {}, {} },
};

void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

class DecodeMemoryTest : public ::testing::TestWithParam<Row> { };

// Three files of one kind, each a small file of a huge picture, decoded at once as the library's
// thumbnails are, in a child whose address space ends five gigabytes past where it starts: the peak
// stays under what the program may take in all.
TEST_P(DecodeMemoryTest, ThreeHugePicturesDecodedAtOnceStayUnderOneAndAHalfGigabytes)
{
#ifdef TL_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer maps far more address space than any limit leaves";
#endif
    const Row& row = GetParam();
    const test::ScratchFolder scratch;
    const cv::Scalar colour = row.colour[0] < 0 ? heicTileColour(scratch.path) : row.colour;
    const std::vector<fs::path> files { scratch.path / "0.picture", scratch.path / "1.picture",
        scratch.path / "2.picture" };
    if (colour[0] < 0 || !row.write(files[0])) GTEST_SKIP() << "no HEVC encoder";
    for (std::size_t copy = 1; copy < files.size(); ++copy) {
        if (row.sparse) {
            row.write(files[copy]);
        } else {
            fs::copy_file(files[0], files[copy]);
        }
    }
    const auto peak = test::measureInChild([&]() -> std::int64_t {
        const rlimit limit { test::mappedBytes() + (std::uint64_t { 5 } << 30), RLIM_INFINITY };
        if (setrlimit(RLIMIT_AS, &limit) != 0) return -2;
        std::vector<std::shared_ptr<const Image>> thumbnails(files.size());
        std::vector<std::thread> workers;
        for (std::size_t i = 0; i < files.size(); ++i)
            workers.emplace_back([&, i] { thumbnails[i] = Image::loadPreview(files[i], thumbnailSide); });
        for (auto& worker : workers)
            worker.join();
        for (const auto& thumbnail : thumbnails) {
            if (!thumbnail) return 0;
            const cv::Scalar found = cv::mean(thumbnail->pixels());
            for (int channel = 0; channel < 3; ++channel) {
                if (std::abs(found[channel] - colour[channel]) > 4) return -1;
            }
        }
        return std::int64_t { thumbnails[0]->width() } << 32 | thumbnails[0]->height();
    });
    ASSERT_TRUE(peak) << "the decoding child failed";
    EXPECT_EQ(peak->result, std::int64_t { row.thumbnail.width } << 32 | row.thumbnail.height);
    EXPECT_LT(peak->growthBytes, 1536 * megabyte) << peak->growthBytes / megabyte << " MB";
    std::printf("%s: %lld MB\n", row.name, static_cast<long long>(peak->growthBytes / megabyte));
}

// libheif hands a grid over in 4:4:4 planes as large as the converted picture; converting them
// whole beside them held both, twice the picture, where each band of the planes is given back once
// it is converted.
TEST(HeicFullDecodeMemoryTest, PlanesAreGivenBackAsTheyAreConverted)
{
#ifdef TL_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer keeps freed memory resident";
#endif
    const test::ScratchFolder scratch;
    const fs::path path = scratch.path / "grid.heic";
    constexpr int side = 8192;
    if (!test::TiledHeic::write(path, 512, side / 512, { 150, 90, 170 })) GTEST_SKIP() << "no HEVC encoder";
    const auto peak = test::measureInChild([&]() -> std::int64_t {
        const cv::Mat pixels = decodeImageFile(path);
        return pixels.type() == CV_8UC3 ? std::int64_t { pixels.cols } << 32 | pixels.rows : 0;
    });
    ASSERT_TRUE(peak) << "the decoding child failed";
    EXPECT_EQ(peak->result, std::int64_t { side } << 32 | side);
    const std::int64_t picture = std::int64_t { side } * side * 3;
    EXPECT_LT(peak->growthBytes, picture * 7 / 5)
        << peak->growthBytes / megabyte << " MB for a picture of " << picture / megabyte << " MB";
}

INSTANTIATE_TEST_SUITE_P(Formats, DecodeMemoryTest, ::testing::ValuesIn(rows),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace tl
