#include "platform/ImageDecodingBmp.h"

#include "platform/DecodeBudget.h"
#include "platform/ImageDecodingBands.h"
#include "platform/ImageExtent.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace tl {
namespace {

constexpr std::uint64_t fileHeaderBytes = 14;
constexpr std::uint32_t coreHeaderBytes = 12; // the oldest form, with 16-bit sizes and 3-byte colours

std::uint32_t littleEndian(const std::uint8_t* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

struct Layout {
    std::uint64_t pixelOffset = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::array<cv::Vec3b, 256> palette {};

    std::uint64_t stride() const { return (static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32 * 4; }
};

std::optional<Layout> readLayout(const ImageSource& source)
{
    std::array<std::uint8_t, 54> header {};
    if (!source.read(0, std::span(header).first(fileHeaderBytes + 4))) return std::nullopt;
    const std::uint32_t infoBytes = littleEndian(&header[14], 4);
    const bool core = infoBytes == coreHeaderBytes;
    if (!core && (infoBytes < 40 || !source.read(0, header))) return std::nullopt;
    if (core && !source.read(0, std::span(header).first(fileHeaderBytes + coreHeaderBytes))) return std::nullopt;
    Layout layout;
    layout.pixelOffset = littleEndian(&header[10], 4);
    if (core) {
        layout.width = littleEndian(&header[18], 2);
        layout.height = littleEndian(&header[20], 2);
        layout.bitsPerPixel = static_cast<int>(littleEndian(&header[24], 2));
    } else {
        layout.width = static_cast<std::int32_t>(littleEndian(&header[18], 4));
        const auto height = static_cast<std::int32_t>(littleEndian(&header[22], 4));
        layout.topDown = height < 0;
        layout.height = std::abs(std::int64_t { height });
        layout.bitsPerPixel = static_cast<int>(littleEndian(&header[28], 2));
        layout.compression = littleEndian(&header[30], 4);
    }
    if (layout.bitsPerPixel > 8) return layout;

    const std::uint32_t used = core ? 0 : littleEndian(&header[46], 4);
    const std::uint32_t colours = std::min<std::uint32_t>(used == 0 ? 1u << layout.bitsPerPixel : used, 256);
    const int entryBytes = core ? 3 : 4;
    std::vector<std::uint8_t> entries(static_cast<std::size_t>(colours) * entryBytes);
    if (!source.read(fileHeaderBytes + infoBytes, entries)) return std::nullopt;
    for (std::uint32_t i = 0; i < colours; ++i)
        layout.palette[i] = { entries[i * entryBytes], entries[i * entryBytes + 1], entries[i * entryBytes + 2] };
    return layout;
}

void toBgr(const Layout& layout, const std::uint8_t* stored, cv::Vec3b* row)
{
    const int bits = layout.bitsPerPixel;
    for (std::int64_t x = 0; x < layout.width; ++x) {
        if (bits >= 24) {
            const std::uint8_t* pixel = stored + x * (bits / 8);
            row[x] = { pixel[0], pixel[1], pixel[2] };
            continue;
        }
        const std::int64_t bit = x * bits;
        const int shift = 8 - bits - static_cast<int>(bit % 8);
        row[x] = layout.palette[(stored[bit / 8] >> shift) & ((1 << bits) - 1)];
    }
}

} // namespace

bool isBmpFile(std::span<const std::uint8_t> head)
{
    return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

std::optional<cv::Mat> decodeBmp(const ImageSource& source, int maxLongSide)
{
    const auto layout = readLayout(source);
    if (!layout) return cv::Mat();
    const int bits = layout->bitsPerPixel;
    const bool plain = layout->compression == 0 && (bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32);
    if (!plain) return std::nullopt;
    if (layout->width <= 0 || layout->height <= 0 || isTooLargeToDecode({ layout->width, layout->height }))
        return cv::Mat();
    const std::uint64_t stride = layout->stride();
    if (layout->pixelOffset > source.size() || stride * layout->height > source.size() - layout->pixelOffset)
        return cv::Mat();

    const int width = static_cast<int>(layout->width);
    const int height = static_cast<int>(layout->height);
    const int factor = RowBandShrinker::factorFor(width, height, maxLongSide);
    const auto reservation = DecodeBudget::shared().reserve(
        stride + pictureBytes(width, 1, 32) + (factor == 1 ? pictureBytes(width, height, 3) : 0));
    std::vector<std::uint8_t> stored(static_cast<std::size_t>(stride));
    cv::Mat whole;
    cv::Mat row(1, width, CV_8UC3);
    std::optional<RowBandShrinker> shrinker;
    if (factor == 1) {
        whole.create(height, width, CV_8UC3);
    } else {
        shrinker.emplace(width, height, 3, factor);
    }
    for (int y = 0; y < height; ++y) {
        const std::uint64_t storedRow = layout->topDown ? y : height - 1 - y;
        if (!source.read(layout->pixelOffset + storedRow * stride, stored)) return cv::Mat();
        cv::Vec3b* target = shrinker ? row.ptr<cv::Vec3b>() : whole.ptr<cv::Vec3b>(y);
        toBgr(*layout, stored.data(), target);
        if (shrinker) shrinker->addRow(row.ptr());
    }
    return shrinker ? shrinker->take() : whole;
}

} // namespace tl
