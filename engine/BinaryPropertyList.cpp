#include "engine/BinaryPropertyList.h"

#include "platform/Overloaded.h"

#include <bit>
#include <map>

namespace tl {
namespace {

// Object markers of the format.
constexpr std::uint8_t integerMarker = 0x10;
constexpr std::uint8_t realMarker = 0x23; // 8-byte real
constexpr std::uint8_t asciiMarker = 0x50;
constexpr std::uint8_t arrayMarker = 0xA0;
constexpr std::uint8_t dictionaryMarker = 0xD0;

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

int bytesFor(std::uint64_t value)
{
    if (value <= 0xFF) return 1;
    if (value <= 0xFFFF) return 2;
    if (value <= 0xFFFFFFFF) return 4;
    return 8;
}

class Writer {
public:
    explicit Writer(const PropertyListValue& root)
    {
        flatten(root);
        refSize_ = bytesFor(objects_.size());
    }

    std::vector<std::uint8_t> write()
    {
        std::vector<std::uint8_t> out { 'b', 'p', 'l', 'i', 's', 't', '0', '0' };
        std::vector<std::uint64_t> offsets;
        for (const auto& object : objects_) {
            offsets.push_back(out.size());
            encode(out, object);
        }
        const std::uint64_t tableOffset = out.size();
        const int offsetSize = bytesFor(tableOffset);
        for (const auto offset : offsets)
            appendBigEndian(out, offset, offsetSize);
        out.insert(out.end(), 6, 0); // unused, sort version
        out.push_back(static_cast<std::uint8_t>(offsetSize));
        out.push_back(static_cast<std::uint8_t>(refSize_));
        appendBigEndian(out, objects_.size(), 8);
        appendBigEndian(out, 0, 8); // the root is the first object
        appendBigEndian(out, tableOffset, 8);
        return out;
    }

private:
    // Objects in the order they are written; containers refer to their members by index.
    struct Flat {
        const PropertyListValue* value;
        std::vector<std::size_t> references;
    };

    std::size_t flatten(const PropertyListValue& value)
    {
        if (const auto* text = std::get_if<std::string>(&value.value)) {
            if (const auto known = texts_.find(*text); known != texts_.end()) return known->second;
            texts_.emplace(*text, objects_.size());
        }
        const std::size_t index = objects_.size();
        objects_.push_back({ &value, {} });
        std::vector<std::size_t> references;
        if (const auto* array = std::get_if<PropertyListArray>(&value.value)) {
            for (const auto& member : *array)
                references.push_back(flatten(member));
        } else if (const auto* dictionary = std::get_if<PropertyListDictionary>(&value.value)) {
            for (const auto& entry : *dictionary)
                references.push_back(flattenKey(entry.first));
            for (const auto& entry : *dictionary)
                references.push_back(flatten(entry.second));
        }
        objects_[index].references = std::move(references);
        return index;
    }

    std::size_t flattenKey(const std::string& key)
    {
        keys_.push_back(std::make_unique<PropertyListValue>(PropertyListValue { key }));
        return flatten(*keys_.back());
    }

    static void appendMarker(std::vector<std::uint8_t>& out, std::uint8_t marker, std::size_t count)
    {
        if (count < 15) {
            out.push_back(static_cast<std::uint8_t>(marker | count));
            return;
        }
        out.push_back(static_cast<std::uint8_t>(marker | 0x0F));
        const int bytes = bytesFor(count);
        out.push_back(static_cast<std::uint8_t>(integerMarker | std::countr_zero(static_cast<unsigned>(bytes))));
        appendBigEndian(out, count, bytes);
    }

    void encode(std::vector<std::uint8_t>& out, const Flat& object) const
    {
        std::visit(Overloaded {
                       [&](std::int64_t integer) {
                           // Negative integers always take eight bytes.
                           const int bytes = integer < 0 ? 8 : bytesFor(static_cast<std::uint64_t>(integer));
                           out.push_back(static_cast<std::uint8_t>(
                               integerMarker | std::countr_zero(static_cast<unsigned>(bytes))));
                           appendBigEndian(out, static_cast<std::uint64_t>(integer), bytes);
                       },
                       [&](double real) {
                           out.push_back(realMarker);
                           appendBigEndian(out, std::bit_cast<std::uint64_t>(real), 8);
                       },
                       [&](const std::string& text) { encodeText(out, text); },
                       [&](const PropertyListArray& array) {
                           appendMarker(out, arrayMarker, array.size());
                           for (const auto reference : object.references)
                               appendBigEndian(out, reference, refSize_);
                       },
                       [&](const PropertyListDictionary& dictionary) {
                           appendMarker(out, dictionaryMarker, dictionary.size());
                           for (const auto reference : object.references)
                               appendBigEndian(out, reference, refSize_);
                       },
                   },
            object.value->value);
    }

    // Every text of our records is ASCII, which the format stores as plain bytes.
    static void encodeText(std::vector<std::uint8_t>& out, const std::string& text)
    {
        appendMarker(out, asciiMarker, text.size());
        out.insert(out.end(), text.begin(), text.end());
    }

    std::vector<Flat> objects_;
    std::map<std::string, std::size_t> texts_;
    std::vector<std::unique_ptr<PropertyListValue>> keys_;
    int refSize_ = 1;
};

} // namespace

std::vector<std::uint8_t> serializeBinaryPropertyList(const PropertyListValue& root)
{
    return Writer(root).write();
}

} // namespace tl
