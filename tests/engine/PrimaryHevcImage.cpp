#include "tests/engine/PrimaryHevcImage.h"

#include <cstdint>
#include <map>

namespace tl::test {
namespace {

// Big-endian reads over a byte range that fail, rather than run past its end.
class Bytes {
public:
    explicit Bytes(std::string_view data)
        : data_(data)
    {
    }

    bool ok() const { return ok_; }
    bool empty() const { return data_.empty(); }
    std::size_t size() const { return data_.size(); }

    std::uint64_t number(std::size_t width)
    {
        if (width > 8 || data_.size() < width) return fail();
        std::uint64_t value = 0;
        for (std::size_t index = 0; index < width; ++index)
            value = (value << 8) | static_cast<unsigned char>(data_[index]);
        data_.remove_prefix(width);
        return value;
    }

    std::string_view take(std::uint64_t length)
    {
        if (length > data_.size()) {
            fail();
            return {};
        }
        const auto taken = data_.substr(0, static_cast<std::size_t>(length));
        data_.remove_prefix(static_cast<std::size_t>(length));
        return taken;
    }

private:
    std::uint64_t fail()
    {
        ok_ = false;
        data_ = {};
        return 0;
    }

    std::string_view data_;
    bool ok_ = true;
};

struct Box {
    std::string type;
    std::string_view body;
};

// The boxes directly inside `data`; nothing when one overruns it.
std::optional<std::vector<Box>> boxes(std::string_view data)
{
    std::vector<Box> found;
    Bytes reader(data);
    while (!reader.empty()) {
        std::uint64_t size = reader.number(4);
        const auto type = reader.take(4);
        std::uint64_t header = 8;
        if (size == 1) {
            size = reader.number(8);
            header = 16;
        } else if (size == 0) {
            size = reader.size() + header;
        }
        if (!reader.ok() || size < header) return std::nullopt;
        const auto body = reader.take(size - header);
        if (!reader.ok()) return std::nullopt;
        found.push_back({ std::string(type), body });
    }
    return found;
}

const Box* child(const std::vector<Box>& boxes, std::string_view type)
{
    for (const auto& box : boxes) {
        if (box.type == type) return &box;
    }
    return nullptr;
}

struct Extent {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// Item ID to its extents in the file (construction method 0 only).
std::optional<std::map<std::uint32_t, std::vector<Extent>>> itemLocations(std::string_view body)
{
    Bytes reader(body);
    const auto version = reader.number(1);
    reader.number(3);
    const auto sizes = reader.number(2);
    const auto offsetSize = (sizes >> 12) & 15, lengthSize = (sizes >> 8) & 15, baseSize = (sizes >> 4) & 15;
    const auto indexSize = version >= 1 ? sizes & 15 : 0;
    const auto count = reader.number(version < 2 ? 2 : 4);
    std::map<std::uint32_t, std::vector<Extent>> items;
    for (std::uint64_t item = 0; item < count && reader.ok(); ++item) {
        const auto id = static_cast<std::uint32_t>(reader.number(version < 2 ? 2 : 4));
        const auto method = version >= 1 ? reader.number(2) & 15 : 0;
        reader.number(2); // data reference index
        const auto base = reader.number(baseSize);
        const auto extents = reader.number(2);
        auto& list = items[id];
        for (std::uint64_t extent = 0; extent < extents && reader.ok(); ++extent) {
            reader.number(indexSize);
            const auto offset = reader.number(offsetSize);
            const auto length = reader.number(lengthSize);
            list.push_back({ base + offset, length });
        }
        if (method != 0) items.erase(id);
    }
    if (!reader.ok()) return std::nullopt;
    return items;
}

// Each item's 1-based property indices.
std::optional<std::map<std::uint64_t, std::vector<std::uint64_t>>> itemProperties(std::string_view body)
{
    Bytes reader(body);
    const auto version = reader.number(1);
    const auto flags = reader.number(3);
    const auto entries = reader.number(4);
    std::map<std::uint64_t, std::vector<std::uint64_t>> properties;
    for (std::uint64_t entry = 0; entry < entries && reader.ok(); ++entry) {
        auto& list = properties[reader.number(version < 1 ? 2 : 4)];
        const auto count = reader.number(1);
        for (std::uint64_t association = 0; association < count && reader.ok(); ++association)
            list.push_back((flags & 1) ? reader.number(2) & 0x7fff : reader.number(1) & 0x7f);
    }
    if (!reader.ok()) return std::nullopt;
    return properties;
}

// The parameter-set units of an hvcC box; false when it is malformed.
bool parameterSets(std::string_view body, std::vector<std::string>& units)
{
    Bytes reader(body);
    reader.take(22);
    const auto arrays = reader.number(1);
    for (std::uint64_t array = 0; array < arrays && reader.ok(); ++array) {
        reader.number(1);
        const auto count = reader.number(2);
        for (std::uint64_t unit = 0; unit < count && reader.ok(); ++unit) {
            const auto length = reader.number(2);
            const auto nal = reader.take(length);
            if (reader.ok()) units.emplace_back(nal);
        }
    }
    return reader.ok();
}

std::optional<std::pair<int, int>> imageSize(std::string_view body)
{
    Bytes reader(body);
    reader.number(4);
    const auto width = reader.number(4), height = reader.number(4);
    if (!reader.ok() || width == 0 || height == 0 || width > 1u << 20 || height > 1u << 20) return std::nullopt;
    return std::pair { static_cast<int>(width), static_cast<int>(height) };
}

} // namespace

std::optional<HevcCodedImage> primaryHevcImage(std::string_view file)
{
    const auto top = boxes(file);
    const Box* meta = top ? child(*top, "meta") : nullptr;
    if (!meta || meta->body.size() < 4) return std::nullopt;
    const auto inside = boxes(meta->body.substr(4));
    if (!inside) return std::nullopt;
    const Box* primary = child(*inside, "pitm");
    const Box* locations = child(*inside, "iloc");
    const Box* propertiesBox = child(*inside, "iprp");
    if (!primary || !locations || !propertiesBox) return std::nullopt;
    Bytes pitm(primary->body);
    const auto version = pitm.number(1);
    pitm.number(3);
    const auto primaryItem = pitm.number(version == 0 ? 2 : 4);
    const auto locationsOfItems = itemLocations(locations->body);
    const auto propertyBoxes = boxes(propertiesBox->body);
    if (!pitm.ok() || !locationsOfItems || !propertyBoxes) return std::nullopt;
    const Box* container = child(*propertyBoxes, "ipco");
    const Box* associations = child(*propertyBoxes, "ipma");
    const auto properties = container ? boxes(container->body) : std::nullopt;
    const auto associated = associations ? itemProperties(associations->body) : std::nullopt;
    if (!properties || !associated) return std::nullopt;
    const auto property = [&](std::uint64_t item, std::string_view type) -> const Box* {
        const auto found = associated->find(item);
        if (found == associated->end()) return nullptr;
        for (const auto index : found->second) {
            if (index == 0 || index > properties->size()) return nullptr;
            const Box& box = (*properties)[static_cast<std::size_t>(index - 1)];
            if (box.type == type) return &box;
        }
        return nullptr;
    };

    // A small image is coded larger and shown through a derived primary item cut to its size; the
    // coded item is then the one item with an hvcC property.
    std::optional<std::uint64_t> codedItem;
    if (property(primaryItem, "hvcC")) {
        codedItem = primaryItem;
    } else {
        for (const auto& entry : *associated) {
            if (!property(entry.first, "hvcC")) continue;
            if (codedItem) return std::nullopt;
            codedItem = entry.first;
        }
    }
    const Box* shown = property(primaryItem, "ispe");
    const Box* coded = codedItem ? property(*codedItem, "ispe") : nullptr;
    const auto shownSize = shown ? imageSize(shown->body) : std::nullopt;
    const auto codedSize = coded ? imageSize(coded->body) : std::nullopt;
    const auto extents
        = codedItem ? locationsOfItems->find(static_cast<std::uint32_t>(*codedItem)) : locationsOfItems->end();
    if (!shownSize || !codedSize || extents == locationsOfItems->end()) return std::nullopt;

    HevcCodedImage image;
    std::tie(image.width, image.height) = *shownSize;
    std::tie(image.codedWidth, image.codedHeight) = *codedSize;
    if (!parameterSets(property(*codedItem, "hvcC")->body, image.units)) return std::nullopt;
    std::string data;
    for (const auto& extent : extents->second) {
        if (extent.offset > file.size() || extent.length > file.size() - extent.offset) return std::nullopt;
        data.append(file.substr(static_cast<std::size_t>(extent.offset), static_cast<std::size_t>(extent.length)));
    }
    Bytes units(data);
    while (!units.empty()) {
        const auto length = units.number(4);
        const auto unit = units.take(length);
        if (!units.ok() || length == 0) return std::nullopt;
        image.units.emplace_back(unit);
    }
    if (image.units.empty()) return std::nullopt;
    return image;
}

} // namespace tl::test
