#include "platform/EmbeddedColorProfile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>

namespace tl {
namespace {

using Bytes = std::span<const std::uint8_t>;

std::uint32_t bigEndian(Bytes b, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | b[at + i];
    return value;
}

std::uint32_t littleEndian(Bytes b, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | b[at + i];
    return value;
}

bool startsWith(Bytes b, std::size_t at, std::string_view text)
{
    return at + text.size() <= b.size() && std::memcmp(b.data() + at, text.data(), text.size()) == 0;
}

// Profiles are small; anything claiming more is treated as damage.
constexpr std::size_t maxProfileSize = 64u << 20;

std::vector<std::uint8_t> inflate(Bytes compressed)
{
    z_stream stream {};
    if (inflateInit(&stream) != Z_OK) return {};
    std::vector<std::uint8_t> out;
    std::uint8_t chunk[16384];
    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = chunk;
        stream.avail_out = sizeof chunk;
        status = ::inflate(&stream, Z_NO_FLUSH);
        out.insert(out.end(), chunk, chunk + (sizeof chunk - stream.avail_out));
        if (out.size() > maxProfileSize) status = Z_DATA_ERROR;
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END) return {};
    return out;
}

void readPng(Bytes b, ContainerFacts& facts)
{
    std::size_t at = 8;
    while (at + 12 <= b.size()) {
        const std::size_t length = bigEndian(b, at, 4);
        if (length > b.size() - at - 12) return;
        const std::size_t data = at + 8;
        if (startsWith(b, at + 4, "IDAT") || startsWith(b, at + 4, "IEND")) return;
        if (startsWith(b, at + 4, "IHDR") && length >= 8)
            facts.extent = ImageExtent { bigEndian(b, data, 4), bigEndian(b, data + 4, 4) };
        if (startsWith(b, at + 4, "iCCP")) {
            const auto chunk = b.subspan(data, length);
            const auto nul = std::find(chunk.begin(), chunk.end(), 0);
            const std::size_t nameLength = static_cast<std::size_t>(nul - chunk.begin());
            // name, NUL, compression method (0 = zlib), then the compressed profile
            if (nameLength + 2 <= chunk.size() && chunk[nameLength + 1] == 0)
                facts.iccProfile = inflate(chunk.subspan(nameLength + 2));
            return;
        }
        at = data + length + 4;
    }
}

void readJpeg(Bytes b, ContainerFacts& facts)
{
    std::map<int, std::vector<std::uint8_t>> iccParts;
    std::size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xFF) {
        const std::uint8_t marker = b[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break; // image data starts; no metadata follows
        const std::size_t length = bigEndian(b, at + 2, 2);
        if (length < 2 || at + 2 + length > b.size()) break;
        const std::size_t data = at + 4;
        const std::size_t dataLength = length - 2;
        const bool startOfFrame
            = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame && dataLength >= 5)
            facts.extent = ImageExtent { bigEndian(b, data + 3, 2), bigEndian(b, data + 1, 2) };
        constexpr std::string_view iccTag { "ICC_PROFILE\0", 12 };
        if (marker == 0xE2 && dataLength > iccTag.size() + 2 && startsWith(b, data, iccTag)) {
            const int sequence = b[data + iccTag.size()];
            const auto part = b.subspan(data + iccTag.size() + 2, dataLength - iccTag.size() - 2);
            iccParts[sequence].assign(part.begin(), part.end());
        }
        at += 2 + length;
    }
    for (const auto& [sequence, part] : iccParts)
        facts.iccProfile.insert(facts.iccProfile.end(), part.begin(), part.end());
}

void readTiff(Bytes b, ContainerFacts& facts)
{
    const bool little = b[0] == 'I';
    const auto read
        = [&](std::size_t at, int count) { return little ? littleEndian(b, at, count) : bigEndian(b, at, count); };
    const std::size_t directory = read(4, 4);
    if (directory + 2 > b.size()) return;
    const std::size_t entries = read(directory, 2);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + i * 12;
        if (entry + 12 > b.size()) return;
        constexpr std::uint32_t widthTag = 256, heightTag = 257, iccTag = 34675, shortType = 3;
        const std::uint32_t tag = read(entry, 2);
        if (tag == widthTag || tag == heightTag) {
            const std::int64_t value = read(entry + 2, 2) == shortType ? read(entry + 8, 2) : read(entry + 8, 4);
            if (!facts.extent) facts.extent = ImageExtent {};
            (tag == widthTag ? facts.extent->width : facts.extent->height) = value;
        }
        if (tag != iccTag) continue;
        const std::size_t count = read(entry + 4, 4);
        const std::size_t offset = count <= 4 ? entry + 8 : read(entry + 8, 4);
        if (count > maxProfileSize || offset > b.size() || count > b.size() - offset) continue;
        facts.iccProfile.assign(b.begin() + offset, b.begin() + offset + count);
    }
}

void readWebpExtent(Bytes b, ContainerFacts& facts)
{
    if (b.size() < 30) return;
    if (startsWith(b, 12, "VP8X")) {
        facts.extent = ImageExtent { littleEndian(b, 24, 3) + 1, littleEndian(b, 27, 3) + 1 };
    } else if (startsWith(b, 12, "VP8L")) {
        const std::uint32_t bits = littleEndian(b, 21, 4);
        facts.extent = ImageExtent { (bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1 };
    } else if (startsWith(b, 12, "VP8 ")) {
        facts.extent = ImageExtent { littleEndian(b, 26, 2) & 0x3FFF, littleEndian(b, 28, 2) & 0x3FFF };
    }
}

void readWebp(Bytes b, ContainerFacts& facts)
{
    readWebpExtent(b, facts);
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        const std::size_t length = littleEndian(b, at + 4, 4);
        if (length > b.size() - at - 8) return;
        if (startsWith(b, at, "ICCP")) {
            facts.iccProfile.assign(b.begin() + at + 8, b.begin() + at + 8 + length);
            return;
        }
        at += 8 + length + (length & 1);
    }
}

} // namespace

ContainerFacts readContainerFacts(std::span<const std::uint8_t> file)
{
    ContainerFacts facts;
    if (startsWith(file, 0, "\x89PNG\r\n\x1a\n")) {
        readPng(file, facts);
    } else if (startsWith(file, 0, "\xFF\xD8")) {
        readJpeg(file, facts);
    } else if (startsWith(file, 0, std::string_view("II*\0", 4)) || startsWith(file, 0, std::string_view("MM\0*", 4))) {
        readTiff(file, facts);
    } else if (startsWith(file, 0, "RIFF") && startsWith(file, 8, "WEBP")) {
        readWebp(file, facts);
    } else if ((startsWith(file, 0, "GIF87a") || startsWith(file, 0, "GIF89a")) && file.size() >= 10) {
        facts.extent = ImageExtent { littleEndian(file, 6, 2), littleEndian(file, 8, 2) };
    } else if (startsWith(file, 0, "BM") && file.size() >= 26) {
        // A negative height marks a top-down bitmap.
        const auto height = static_cast<std::int32_t>(littleEndian(file, 22, 4));
        facts.extent = ImageExtent { littleEndian(file, 18, 4), std::abs(std::int64_t { height }) };
    }
    return facts;
}

} // namespace tl
