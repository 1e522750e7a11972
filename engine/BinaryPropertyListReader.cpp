#include "engine/BinaryPropertyListReader.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace tl {
namespace {

constexpr std::size_t headerSize = 8;
constexpr std::size_t trailerSize = 32;

std::uint64_t readBigEndian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t width)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = (value << 8) | bytes[at + i];
    return value;
}

void appendUtf8(std::string& out, std::uint32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes)
        : bytes_(bytes)
    {
    }

    std::optional<PropertyListValue> read()
    {
        if (bytes_.size() < headerSize + trailerSize || std::memcmp(bytes_.data(), "bplist00", headerSize) != 0)
            return std::nullopt;
        const std::size_t trailer = bytes_.size() - trailerSize;
        offsetSize_ = bytes_[trailer + 6];
        refSize_ = bytes_[trailer + 7];
        const std::uint64_t objectCount = readBigEndian(bytes_, trailer + 8, 8);
        const std::uint64_t root = readBigEndian(bytes_, trailer + 16, 8);
        tableOffset_ = readBigEndian(bytes_, trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8) return std::nullopt;
        // Every object takes at least one byte between the header and the offset table.
        if (tableOffset_ < headerSize || tableOffset_ > trailer || objectCount == 0
            || objectCount > tableOffset_ - headerSize || root >= objectCount
            || objectCount > (trailer - tableOffset_) / offsetSize_)
            return std::nullopt;
        objectCount_ = objectCount;
        onPath_.assign(objectCount, false);
        return value(root, 0);
    }

private:
    std::optional<std::uint64_t> offsetOf(std::uint64_t object) const
    {
        const std::uint64_t offset = readBigEndian(bytes_, tableOffset_ + object * offsetSize_, offsetSize_);
        if (offset < headerSize || offset >= tableOffset_) return std::nullopt;
        return offset;
    }

    // Whether `length` bytes from `at` lie before the offset table.
    bool fits(std::uint64_t at, std::uint64_t length) const
    {
        return at <= tableOffset_ && length <= tableOffset_ - at;
    }

    // A marker's count: its low nibble, or the integer object after it when the nibble is 0xF.
    // `at` moves past the marker and the count.
    std::optional<std::uint64_t> count(std::uint64_t& at) const
    {
        const std::uint8_t low = bytes_[at] & 0x0F;
        ++at;
        if (low != 0x0F) return low;
        if (!fits(at, 1) || (bytes_[at] & 0xF0) != 0x10) return std::nullopt;
        const std::size_t width = std::size_t { 1 } << (bytes_[at] & 0x0F);
        if (width > 8 || !fits(at + 1, width)) return std::nullopt;
        const std::uint64_t value = readBigEndian(bytes_, at + 1, width);
        at += 1 + width;
        return value;
    }

    std::optional<std::uint64_t> reference(std::uint64_t at) const
    {
        const std::uint64_t object = readBigEndian(bytes_, at, refSize_);
        if (object >= objectCount_) return std::nullopt;
        return object;
    }

    bool spendValue() { return ++values_ <= readPropertyListLimits.maxValues; }
    bool spendText(std::size_t bytes)
    {
        textBytes_ += bytes;
        return textBytes_ <= readPropertyListLimits.maxTextBytes;
    }

    std::optional<PropertyListValue> value(std::uint64_t object, std::size_t depth)
    {
        if (depth > readPropertyListLimits.maxDepth || onPath_[object] || !spendValue()) return std::nullopt;
        const auto offset = offsetOf(object);
        if (!offset) return std::nullopt;
        std::uint64_t at = *offset;
        const std::uint8_t marker = bytes_[at];
        switch (marker >> 4) {
        case 0x0:
            if (marker == 0x08 || marker == 0x09) return PropertyListValue { std::int64_t { marker & 1 } };
            return std::nullopt;
        case 0x1: {
            const std::size_t width = std::size_t { 1 } << (marker & 0x0F);
            // 16-byte integers hold 64-bit values in their low half.
            if (width > 16 || !fits(at + 1, width)) return std::nullopt;
            const std::size_t skip = width > 8 ? width - 8 : 0;
            const std::uint64_t raw = readBigEndian(bytes_, at + 1 + skip, width - skip);
            // Below eight bytes integers are unsigned; at eight they are two's complement.
            if (width < 8 && raw > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
            return PropertyListValue { static_cast<std::int64_t>(raw) };
        }
        case 0x2:
        case 0x3: {
            const bool date = (marker >> 4) == 0x3;
            if ((date && marker != 0x33) || (!date && marker != 0x22 && marker != 0x23)) return std::nullopt;
            const std::size_t width = marker == 0x22 ? 4 : 8;
            if (!fits(at + 1, width)) return std::nullopt;
            const std::uint64_t raw = readBigEndian(bytes_, at + 1, width);
            const double real
                = width == 4 ? std::bit_cast<float>(static_cast<std::uint32_t>(raw)) : std::bit_cast<double>(raw);
            return PropertyListValue { real };
        }
        case 0x5:
        case 0x6: {
            const bool utf16 = (marker >> 4) == 0x6;
            const auto length = count(at);
            if (!length || *length > tableOffset_ || !fits(at, *length * (utf16 ? 2 : 1))) return std::nullopt;
            const std::size_t units = static_cast<std::size_t>(*length);
            if (!spendText(utf16 ? units * 3 : units)) return std::nullopt;
            return utf16 ? utf16Text(at, units)
                         : PropertyListValue { std::string(bytes_.begin() + at, bytes_.begin() + at + units) };
        }
        case 0xA:
            return container(object, at, depth, false);
        case 0xD:
            return container(object, at, depth, true);
        default:
            return std::nullopt; // data, UIDs, sets: nothing a wallpaper record holds
        }
    }

    std::optional<PropertyListValue> utf16Text(std::uint64_t at, std::size_t units) const
    {
        std::string text;
        for (std::size_t i = 0; i < units; ++i) {
            std::uint32_t unit = static_cast<std::uint32_t>(readBigEndian(bytes_, at + 2 * i, 2));
            if (unit >= 0xDC00 && unit < 0xE000) return std::nullopt;
            if (unit >= 0xD800 && unit < 0xDC00) {
                if (++i == units) return std::nullopt;
                const auto low = static_cast<std::uint32_t>(readBigEndian(bytes_, at + 2 * i, 2));
                if (low < 0xDC00 || low >= 0xE000) return std::nullopt;
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            }
            appendUtf8(text, unit);
        }
        return PropertyListValue { std::move(text) };
    }

    std::optional<PropertyListValue> container(
        std::uint64_t object, std::uint64_t at, std::size_t depth, bool dictionary)
    {
        const auto members = count(at);
        const std::uint64_t references = members && *members <= tableOffset_ ? *members * (dictionary ? 2 : 1) : 0;
        if (!members || *members > tableOffset_ || !fits(at, references * refSize_)) return std::nullopt;
        onPath_[object] = true;
        std::optional<PropertyListValue> result;
        if (dictionary) {
            PropertyListDictionary entries;
            for (std::uint64_t i = 0; i < *members; ++i) {
                const auto key = member(at + i * refSize_, depth);
                const auto entry = member(at + (*members + i) * refSize_, depth);
                const auto* text = key ? std::get_if<std::string>(&key->value) : nullptr;
                if (!text || !entry) return finish(object, std::nullopt);
                entries.emplace_back(*text, *entry);
            }
            result = PropertyListValue { std::move(entries) };
        } else {
            PropertyListArray array;
            for (std::uint64_t i = 0; i < *members; ++i) {
                auto entry = member(at + i * refSize_, depth);
                if (!entry) return finish(object, std::nullopt);
                array.push_back(std::move(*entry));
            }
            result = PropertyListValue { std::move(array) };
        }
        return finish(object, std::move(result));
    }

    std::optional<PropertyListValue> member(std::uint64_t referenceAt, std::size_t depth)
    {
        const auto object = reference(referenceAt);
        return object ? value(*object, depth + 1) : std::nullopt;
    }

    std::optional<PropertyListValue> finish(std::uint64_t object, std::optional<PropertyListValue> result)
    {
        onPath_[object] = false;
        return result;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offsetSize_ = 0;
    std::size_t refSize_ = 0;
    std::uint64_t objectCount_ = 0;
    std::uint64_t tableOffset_ = 0;
    std::vector<bool> onPath_;
    std::size_t values_ = 0;
    std::size_t textBytes_ = 0;
};

} // namespace

std::optional<PropertyListValue> readBinaryPropertyList(std::span<const std::uint8_t> bytes)
{
    return Reader(bytes).read();
}

} // namespace tl
