#include "platform/ImageDecoding.h"

#include "support/TestImageFiles.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <array>
#include <cstring>
#include <vector>

namespace tl {
namespace {

namespace fs = std::filesystem;

// Odd sizes, so strips, tiles and blocks of a preview all end part-way.
constexpr int width = 37;
constexpr int height = 23;

int quadrantOf(int x, int y)
{
    return (y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0);
}

struct TiffCase {
    const char* name;
    std::uint16_t photometric;
    std::uint16_t bits;
    std::uint16_t format; // SAMPLEFORMAT_UINT or SAMPLEFORMAT_IEEEFP
    int extra; // an EXTRASAMPLE_ kind, or -1 for none
    std::uint16_t planar;
    int tileSide; // 0: strips
    int rowsPerStrip; // 0: the whole picture in one strip
    std::array<std::vector<double>, 4> stored; // each quadrant's samples as stored
    std::array<cv::Scalar, 4> expected; // each quadrant's BGR(A)
};

void PrintTo(const TiffCase& c, std::ostream* out)
{
    *out << c.name;
}

// The samples of `count` pixels of one plane (or all, interleaved), packed as the file stores them.
std::vector<std::uint8_t> pack(const TiffCase& c, const std::vector<double>& samples)
{
    const std::size_t bits = c.bits;
    std::vector<std::uint8_t> bytes((samples.size() * bits + 7) / 8);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        std::uint8_t* at = bytes.data() + i * bits / 8;
        if (c.format == SAMPLEFORMAT_IEEEFP && bits == 32) {
            const auto value = static_cast<float>(samples[i]);
            std::memcpy(at, &value, 4);
        } else if (c.format == SAMPLEFORMAT_IEEEFP) {
            std::memcpy(at, &samples[i], 8);
        } else if (bits == 16) {
            const auto value = static_cast<std::uint16_t>(samples[i]);
            std::memcpy(at, &value, 2);
        } else if (bits == 8) {
            *at = static_cast<std::uint8_t>(samples[i]);
        } else {
            *at |= static_cast<std::uint8_t>(static_cast<int>(samples[i]) << (8 - bits - i * bits % 8));
        }
    }
    return bytes;
}

// The samples of a rectangle, of one plane or of all; pixels beyond the picture are zero.
std::vector<double> samplesOf(const TiffCase& c, int left, int top, int columns, int plane)
{
    const std::size_t perPixel = c.stored[0].size();
    std::vector<double> samples;
    for (int x = left; x < left + columns; ++x) {
        for (std::size_t s = 0; s < perPixel; ++s) {
            if (plane >= 0 && static_cast<int>(s) != plane) continue;
            samples.push_back(x < width && top < height ? c.stored[quadrantOf(x, top)][s] : 0);
        }
    }
    return samples;
}

bool writeCase(const TiffCase& c, const fs::path& path)
{
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) return false;
    const auto spp = static_cast<std::uint16_t>(c.stored[0].size());
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, c.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, c.format);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, c.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, c.planar);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    if (c.extra >= 0) {
        const std::uint16_t kinds[] = { static_cast<std::uint16_t>(c.extra) };
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, kinds);
    }
    if (c.photometric == PHOTOMETRIC_PALETTE) {
        std::vector<std::uint16_t> red(16), green(16), blue(16, 0x8080);
        for (int i = 0; i < 16; ++i) {
            red[i] = static_cast<std::uint16_t>(i * 0x1111);
            green[i] = static_cast<std::uint16_t>((15 - i) * 0x1111);
        }
        TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    const bool separate = c.planar == PLANARCONFIG_SEPARATE;
    const std::vector<int> planes = separate ? std::vector<int> { 0, 1, 2 } : std::vector<int> { -1 };
    bool written = true;
    if (c.tileSide > 0) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, c.tileSide);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, c.tileSide);
        for (int top = 0; top < height; top += c.tileSide) {
            for (int left = 0; left < width; left += c.tileSide) {
                std::vector<std::uint8_t> tile;
                for (int row = 0; row < c.tileSide; ++row) {
                    const auto bytes = pack(c, samplesOf(c, left, top + row, c.tileSide, -1));
                    tile.insert(tile.end(), bytes.begin(), bytes.end());
                }
                written = written && TIFFWriteTile(tiff, tile.data(), left, top, 0, 0) > 0;
            }
        }
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, c.rowsPerStrip > 0 ? c.rowsPerStrip : height);
        for (const int plane : planes) {
            for (int y = 0; y < height && written; ++y) {
                auto row = pack(c, samplesOf(c, 0, y, width, plane));
                written = TIFFWriteScanline(tiff, row.data(), y, static_cast<std::uint16_t>(std::max(plane, 0))) >= 0;
            }
        }
    }
    TIFFClose(tiff);
    return written;
}

class TiffDecodingTest : public ::testing::TestWithParam<TiffCase> { };

// Each quadrant's colour at its centre, in the full picture and in a preview averaged in blocks.
TEST_P(TiffDecodingTest, EachKindDecodesToItsColoursInFullAndInPreview)
{
    const TiffCase& c = GetParam();
    const test::ScratchFolder scratch;
    const fs::path path = scratch.path / "picture.tif";
    ASSERT_TRUE(writeCase(c, path));
    const int channels = c.extra >= 0 ? 4 : 3;
    const cv::Mat full = decodeImageFile(path);
    const cv::Mat preview = decodePreview(path, 12);
    ASSERT_EQ(full.type(), CV_8UC(channels));
    ASSERT_EQ(full.size(), cv::Size(width, height));
    ASSERT_EQ(preview.type(), CV_8UC(channels));
    ASSERT_EQ(preview.size(), cv::Size(12, 7));
    const cv::Point centres[] = { { 9, 5 }, { 27, 5 }, { 9, 17 }, { 27, 17 } };
    for (int q = 0; q < 4; ++q) {
        const cv::Point inPreview(centres[q].x * 12 / width, centres[q].y * 7 / height);
        for (int channel = 0; channel < channels; ++channel) {
            const auto fullValue = full.ptr(centres[q].y)[centres[q].x * channels + channel];
            const auto previewValue = preview.ptr(inPreview.y)[inPreview.x * channels + channel];
            EXPECT_NEAR(fullValue, c.expected[q][channel], 1) << "quadrant " << q << " channel " << channel;
            EXPECT_NEAR(previewValue, c.expected[q][channel], 3) << "preview quadrant " << q << " channel " << channel;
        }
    }
}

const TiffCase cases[] = {
    { "Rgb8InOneStrip", PHOTOMETRIC_RGB, 8, SAMPLEFORMAT_UINT, -1, PLANARCONFIG_CONTIG, 0, 0,
        { { { 10, 20, 30 }, { 200, 100, 0 }, { 0, 255, 128 }, { 90, 90, 90 } } },
        { { { 30, 20, 10 }, { 0, 100, 200 }, { 128, 255, 0 }, { 90, 90, 90 } } } },
    { "Rgba8StraightAlpha", PHOTOMETRIC_RGB, 8, SAMPLEFORMAT_UINT, EXTRASAMPLE_UNASSALPHA, PLANARCONFIG_CONTIG, 0, 4,
        { { { 200, 100, 50, 128 }, { 10, 250, 90, 255 }, { 60, 60, 200, 64 }, { 255, 255, 255, 200 } } },
        { { { 50, 100, 200, 128 }, { 90, 250, 10, 255 }, { 200, 60, 60, 64 }, { 255, 255, 255, 200 } } } },
    { "Rgba8PremultipliedAlphaTiled", PHOTOMETRIC_RGB, 8, SAMPLEFORMAT_UINT, EXTRASAMPLE_ASSOCALPHA,
        PLANARCONFIG_CONTIG, 16, 0,
        { { { 100, 50, 25, 128 }, { 10, 250, 90, 255 }, { 64, 32, 0, 64 }, { 0, 0, 0, 255 } } },
        { { { 50, 100, 199, 128 }, { 90, 250, 10, 255 }, { 0, 128, 255, 64 }, { 0, 0, 0, 255 } } } },
    { "Rgb16Tiled", PHOTOMETRIC_RGB, 16, SAMPLEFORMAT_UINT, -1, PLANARCONFIG_CONTIG, 16, 0,
        { { { 0x1212, 0x8080, 0xC0C0 }, { 0xFFFF, 0, 0x0101 }, { 0x7F7F, 0x7F00, 0 }, { 0x4000, 0x4000, 0x4000 } } },
        { { { 192, 128, 18 }, { 1, 0, 255 }, { 0, 127, 127 }, { 64, 64, 64 } } } },
    { "RgbFloatInStrips", PHOTOMETRIC_RGB, 32, SAMPLEFORMAT_IEEEFP, -1, PLANARCONFIG_CONTIG, 0, 4,
        { { { 0.5, 1.5, -0.2 }, { 0, 0, 1 }, { 0.25, 0.75, 1 }, { 0.1, 0.2, 0.3 } } },
        { { { 0, 255, 128 }, { 255, 0, 0 }, { 255, 191, 64 }, { 77, 51, 26 } } } },
    { "GreyDoubleInOneStrip", PHOTOMETRIC_MINISBLACK, 64, SAMPLEFORMAT_IEEEFP, -1, PLANARCONFIG_CONTIG, 0, 0,
        { { { 0.25 }, { 1 }, { 0 }, { 0.5 } } },
        { { { 64, 64, 64 }, { 255, 255, 255 }, { 0, 0, 0 }, { 128, 128, 128 } } } },
    { "WhiteIsZeroGrey", PHOTOMETRIC_MINISWHITE, 8, SAMPLEFORMAT_UINT, -1, PLANARCONFIG_CONTIG, 0, 0,
        { { { 200 }, { 0 }, { 255 }, { 100 } } },
        { { { 55, 55, 55 }, { 255, 255, 255 }, { 0, 0, 0 }, { 155, 155, 155 } } } },
    { "FourBitPalette", PHOTOMETRIC_PALETTE, 4, SAMPLEFORMAT_UINT, -1, PLANARCONFIG_CONTIG, 0, 5,
        { { { 1 }, { 15 }, { 0 }, { 8 } } },
        { { { 128, 238, 17 }, { 128, 0, 255 }, { 128, 255, 0 }, { 128, 119, 136 } } } },
    { "Bilevel", PHOTOMETRIC_MINISBLACK, 1, SAMPLEFORMAT_UINT, -1, PLANARCONFIG_CONTIG, 0, 0,
        { { { 1 }, { 0 }, { 0 }, { 1 } } }, { { { 255, 255, 255 }, { 0, 0, 0 }, { 0, 0, 0 }, { 255, 255, 255 } } } },
    { "RgbPlaneByPlane", PHOTOMETRIC_RGB, 8, SAMPLEFORMAT_UINT, -1, PLANARCONFIG_SEPARATE, 0, 5,
        { { { 10, 20, 30 }, { 200, 100, 0 }, { 0, 255, 128 }, { 90, 90, 90 } } },
        { { { 30, 20, 10 }, { 0, 100, 200 }, { 128, 255, 0 }, { 90, 90, 90 } } } },
    { "Cmyk", PHOTOMETRIC_SEPARATED, 8, SAMPLEFORMAT_UINT, -1, PLANARCONFIG_CONTIG, 0, 0,
        { { { 0, 255, 255, 0 }, { 0, 0, 0, 128 }, { 255, 0, 255, 0 }, { 0, 0, 0, 0 } } },
        { { { 0, 0, 255 }, { 127, 127, 127 }, { 0, 255, 0 }, { 255, 255, 255 } } } },
};

INSTANTIATE_TEST_SUITE_P(Kinds, TiffDecodingTest, ::testing::ValuesIn(cases),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace tl
