#include "engine/desktop/DynamicHeicReaderBoxes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <string_view>

namespace tl::desktop {
namespace {

// Reads big-endian fields forward through one box's content, failing once past its end.
class FieldReader {
public:
    FieldReader(const std::vector<std::uint8_t>& file, std::size_t at, std::size_t end)
        : file_(file)
        , at_(at)
        , end_(end)
    {
    }

    std::optional<std::uint64_t> number(std::size_t width)
    {
        if (width > 8 || end_ - at_ < width) return std::nullopt;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i)
            value = (value << 8) | file_[at_ + i];
        at_ += width;
        return value;
    }

    // A NUL-ended text; one that runs to the box's end without its NUL is read to there.
    std::string_view text()
    {
        const auto* start = reinterpret_cast<const char*>(file_.data() + at_);
        std::size_t length = 0;
        while (at_ + length < end_ && file_[at_ + length] != 0)
            ++length;
        at_ = std::min(end_, at_ + length + 1);
        return { start, length };
    }

private:
    const std::vector<std::uint8_t>& file_;
    std::size_t at_;
    std::size_t end_;
};

// Beyond any file's worth; sums stop here instead of wrapping.
constexpr std::uint64_t saturation = std::uint64_t { 1 } << 48;

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b)
{
    return std::min(saturation, a + std::min(b, saturation));
}

struct ItemEntry {
    std::array<char, 4> type {};
    std::string_view encoding;
};

// Item types whose data is coded pixels, read only when that image is decoded.
bool isCodedImage(const std::array<char, 4>& type)
{
    static constexpr std::array<std::string_view, 8> coded { "hvc1", "av01", "avc1", "jpeg", "j2k1", "vvc1", "unci",
        "mski" };
    return std::find(coded.begin(), coded.end(), std::string_view(type.data(), 4)) != coded.end();
}

// The largest size one stored byte of `encoding` can inflate to; none for an unknown encoding.
std::optional<std::uint64_t> expansion(std::string_view encoding)
{
    if (encoding.empty()) return 1;
    if (encoding == "deflate") return 1032; // deflate's most: 258 bytes from each 2-bit code
    return std::nullopt;
}

// meta > iinf > infe, versions 0 to 3, by item id.
std::optional<std::map<std::uint32_t, ItemEntry>> itemEntries(const std::vector<std::uint8_t>& file, BoxSpan iinf)
{
    FieldReader header(file, iinf.contentStart, iinf.end);
    const auto version = header.number(1);
    if (!version || !header.number(3) || !header.number(*version == 0 ? 2 : 4)) return std::nullopt;
    std::size_t at = iinf.contentStart + 4 + (*version == 0 ? 2 : 4);
    std::map<std::uint32_t, ItemEntry> entries;
    while (const auto infe = findBox(file, at, iinf.end, "infe")) {
        FieldReader fields(file, infe->contentStart, infe->end);
        const auto entryVersion = fields.number(1);
        if (!entryVersion || !fields.number(3)) return std::nullopt;
        const auto id = fields.number(*entryVersion == 3 ? 4 : 2);
        if (!id || !fields.number(2)) return std::nullopt; // protection index
        ItemEntry entry;
        if (*entryVersion >= 2) {
            const auto type = fields.number(4);
            if (!type) return std::nullopt;
            for (int i = 0; i < 4; ++i)
                entry.type[static_cast<std::size_t>(i)] = static_cast<char>(*type >> (24 - 8 * i));
            fields.text(); // name
            if (std::string_view(entry.type.data(), 4) == "mime") {
                fields.text(); // content type
                entry.encoding = fields.text();
            }
        } else {
            entry.type = { 'm', 'i', 'm', 'e' };
            fields.text();
            fields.text();
            entry.encoding = fields.text();
        }
        entries[static_cast<std::uint32_t>(*id)] = entry;
        at = infe->end;
    }
    return entries;
}

// meta > iloc: the sum of each item's declared extents, an extent to the end counted as the file.
std::optional<std::map<std::uint32_t, std::uint64_t>> itemExtentBytes(
    const std::vector<std::uint8_t>& file, BoxSpan iloc)
{
    FieldReader fields(file, iloc.contentStart, iloc.end);
    const auto version = fields.number(1);
    const auto flags = fields.number(3);
    const auto sizes = fields.number(2);
    if (!version || !flags || !sizes || *version > 2) return std::nullopt;
    const std::size_t offsetSize = *sizes >> 12, lengthSize = (*sizes >> 8) & 15, baseSize = (*sizes >> 4) & 15;
    const std::size_t indexSize = *version == 0 ? 0 : *sizes & 15;
    const auto count = fields.number(*version == 2 ? 4 : 2);
    if (!count) return std::nullopt;
    std::map<std::uint32_t, std::uint64_t> bytes;
    for (std::uint64_t item = 0; item < *count; ++item) {
        const auto id = fields.number(*version == 2 ? 4 : 2);
        if (!id || (*version > 0 && !fields.number(2)) || !fields.number(2) || !fields.number(baseSize))
            return std::nullopt;
        const auto extents = fields.number(2);
        if (!extents) return std::nullopt;
        std::uint64_t& total = bytes[static_cast<std::uint32_t>(*id)];
        if (indexSize + offsetSize + lengthSize == 0) { // each extent the whole file, none taking a byte
            total = saturatingAdd(
                total, std::min(*extents, saturation / std::max<std::uint64_t>(file.size(), 1)) * file.size());
            continue;
        }
        for (std::uint64_t extent = 0; extent < *extents; ++extent) {
            if (!fields.number(indexSize) || !fields.number(offsetSize)) return std::nullopt;
            const auto length = fields.number(lengthSize);
            if (!length) return std::nullopt;
            total = saturatingAdd(total, std::min<std::uint64_t>(*length == 0 ? file.size() : *length, file.size()));
        }
    }
    return bytes;
}

} // namespace

std::optional<BoxSpan> findBox(
    const std::vector<std::uint8_t>& file, std::size_t start, std::size_t end, const char* type)
{
    auto readU32 = [&](std::size_t at) {
        return (std::uint64_t { file[at] } << 24) | (std::uint64_t { file[at + 1] } << 16)
            | (std::uint64_t { file[at + 2] } << 8) | file[at + 3];
    };
    std::size_t at = start;
    while (end - at >= 8) {
        std::uint64_t size = readU32(at);
        std::size_t header = 8;
        if (size == 1) {
            if (end - at < 16) return std::nullopt;
            size = (readU32(at + 8) << 32) | readU32(at + 12);
            header = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (size < header || size > end - at) return std::nullopt;
        if (std::memcmp(&file[at + 4], type, 4) == 0)
            return BoxSpan { at + header, at + static_cast<std::size_t>(size) };
        at += static_cast<std::size_t>(size);
    }
    return std::nullopt;
}

std::optional<std::pair<std::size_t, std::size_t>> primaryIdField(const std::vector<std::uint8_t>& file)
{
    const auto meta = findBox(file, 0, file.size(), "meta");
    if (!meta || meta->end - meta->contentStart < 4) return std::nullopt;
    const auto pitm = findBox(file, meta->contentStart + 4, meta->end, "pitm"); // past version and flags
    if (!pitm || pitm->end - pitm->contentStart < 4) return std::nullopt;
    const std::size_t width = file[pitm->contentStart] == 0 ? 2 : 4;
    if (pitm->end - pitm->contentStart < 4 + width) return std::nullopt;
    return std::pair { pitm->contentStart + 4, width };
}

std::optional<std::uint64_t> metadataItemBytes(const std::vector<std::uint8_t>& file)
{
    const auto meta = findBox(file, 0, file.size(), "meta");
    if (!meta || meta->end - meta->contentStart < 4) return 0; // no items: libheif refuses the file
    const auto iinf = findBox(file, meta->contentStart + 4, meta->end, "iinf");
    if (!iinf) return 0; // no items, nothing to read
    const auto entries = itemEntries(file, *iinf);
    const auto iloc = findBox(file, meta->contentStart + 4, meta->end, "iloc");
    const auto extents = iloc ? itemExtentBytes(file, *iloc) : std::map<std::uint32_t, std::uint64_t> {};
    if (!entries || !extents) return std::nullopt;
    std::uint64_t total = 0;
    for (const auto& [id, entry] : *entries) {
        if (isCodedImage(entry.type)) continue;
        const auto factor = expansion(entry.encoding);
        if (!factor) return std::nullopt;
        const auto found = extents->find(id);
        if (found != extents->end()) total = saturatingAdd(total, std::min(found->second, saturation >> 11) * *factor);
    }
    return total;
}

} // namespace tl::desktop
