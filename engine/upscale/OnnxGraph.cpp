#include "engine/upscale/OnnxGraph.h"

#include "platform/ImageFileBytes.h"

#include <cstring>
#include <string_view>

namespace tl {
namespace {

// Protocol buffer wire format, just enough to walk an ONNX model.
enum class WireType : std::uint32_t { varint = 0, fixed64 = 1, bytes = 2, fixed32 = 5 };

struct Field {
    std::uint32_t number = 0;
    WireType type = WireType::varint;
    std::uint64_t integer = 0; // varint, fixed32 and fixed64 fields
    std::string_view bytes; // length-delimited fields
};

class WireReader {
public:
    explicit WireReader(std::string_view data)
        : data_(data)
    {
    }

    // The next field, or nothing at the end; a malformed message marks the reader as failed.
    std::optional<Field> next()
    {
        if (failed_ || data_.empty()) return std::nullopt;
        const auto key = varint();
        if (!key) return fail();
        Field field;
        field.number = static_cast<std::uint32_t>(*key >> 3);
        field.type = static_cast<WireType>(*key & 7);
        switch (field.type) {
        case WireType::varint: {
            const auto value = varint();
            if (!value) return fail();
            field.integer = *value;
            return field;
        }
        case WireType::fixed64:
        case WireType::fixed32: {
            const std::size_t width = field.type == WireType::fixed64 ? 8 : 4;
            if (data_.size() < width) return fail();
            std::uint64_t value = 0;
            std::memcpy(&value, data_.data(), width); // little-endian, as this machine is
            field.integer = value;
            data_.remove_prefix(width);
            return field;
        }
        case WireType::bytes: {
            const auto length = varint();
            if (!length || *length > data_.size()) return fail();
            field.bytes = data_.substr(0, static_cast<std::size_t>(*length));
            data_.remove_prefix(static_cast<std::size_t>(*length));
            return field;
        }
        }
        return fail();
    }

    bool failed() const { return failed_; }

    std::optional<std::uint64_t> varint()
    {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 64 && !data_.empty(); shift += 7) {
            const auto byte = static_cast<unsigned char>(data_.front());
            data_.remove_prefix(1);
            value |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
            if ((byte & 0x80) == 0) return value;
        }
        return std::nullopt;
    }

private:
    std::optional<Field> fail()
    {
        failed_ = true;
        return std::nullopt;
    }

    std::string_view data_;
    bool failed_ = false;
};

float asFloat(std::uint64_t bits)
{
    const auto narrow = static_cast<std::uint32_t>(bits);
    float value = 0;
    std::memcpy(&value, &narrow, sizeof value);
    return value;
}

// Repeated scalars come either one field at a time or packed into one length-delimited field.
bool appendIntegers(const Field& field, std::vector<std::int64_t>& into)
{
    if (field.type == WireType::varint) {
        into.push_back(static_cast<std::int64_t>(field.integer));
        return true;
    }
    if (field.type != WireType::bytes) return false;
    WireReader packed(field.bytes);
    while (true) {
        const auto value = packed.varint();
        if (!value) break;
        into.push_back(static_cast<std::int64_t>(*value));
    }
    return true;
}

bool appendFloats(const Field& field, std::vector<float>& into)
{
    if (field.type == WireType::fixed32) {
        into.push_back(asFloat(field.integer));
        return true;
    }
    if (field.type != WireType::bytes || field.bytes.size() % 4 != 0) return false;
    const std::size_t start = into.size();
    into.resize(start + field.bytes.size() / 4);
    std::memcpy(into.data() + start, field.bytes.data(), field.bytes.size());
    return true;
}

constexpr std::int64_t onnxFloat = 1;
constexpr std::uintmax_t maximumModelBytes = 1ull << 30;

struct NamedTensor {
    std::string name;
    std::int64_t dataType = 0;
    bool external = false;
    OnnxTensor tensor;
};

bool readTensor(std::string_view data, NamedTensor& named)
{
    WireReader reader(data);
    while (const auto field = reader.next()) {
        switch (field->number) {
        case 1:
            if (!appendIntegers(*field, named.tensor.dims)) return false;
            break;
        case 2:
            named.dataType = static_cast<std::int64_t>(field->integer);
            break;
        case 4:
            if (!appendFloats(*field, named.tensor.values)) return false;
            break;
        case 8:
            named.name = std::string(field->bytes);
            break;
        case 9:
            if (!appendFloats(*field, named.tensor.values)) return false;
            break;
        case 14:
            named.external = field->integer != 0;
            break;
        default:
            break;
        }
    }
    return !reader.failed();
}

bool readAttribute(std::string_view data, std::string& name, OnnxAttribute& attribute)
{
    WireReader reader(data);
    while (const auto field = reader.next()) {
        switch (field->number) {
        case 1:
            name = std::string(field->bytes);
            break;
        case 2:
            attribute.number = asFloat(field->integer);
            break;
        case 3:
            attribute.integer = static_cast<std::int64_t>(field->integer);
            break;
        case 4:
            attribute.text = std::string(field->bytes);
            break;
        case 7:
            if (!appendFloats(*field, attribute.numbers)) return false;
            break;
        case 8:
            if (!appendIntegers(*field, attribute.integers)) return false;
            break;
        default:
            break;
        }
    }
    return !reader.failed();
}

bool readNode(std::string_view data, OnnxNode& node)
{
    WireReader reader(data);
    while (const auto field = reader.next()) {
        switch (field->number) {
        case 1:
            node.inputs.emplace_back(field->bytes);
            break;
        case 2:
            node.outputs.emplace_back(field->bytes);
            break;
        case 4:
            node.op = std::string(field->bytes);
            break;
        case 5: {
            std::string name;
            OnnxAttribute attribute;
            if (!readAttribute(field->bytes, name, attribute)) return false;
            node.attributes[name] = std::move(attribute);
            break;
        }
        default:
            break;
        }
    }
    return !reader.failed();
}

// The name of a ValueInfoProto.
std::optional<std::string> valueName(std::string_view data)
{
    WireReader reader(data);
    std::string name;
    while (const auto field = reader.next()) {
        if (field->number == 1) name = std::string(field->bytes);
    }
    if (reader.failed() || name.empty()) return std::nullopt;
    return name;
}

bool readGraph(std::string_view data, OnnxGraph& graph)
{
    WireReader reader(data);
    std::vector<std::string> declaredInputs;
    while (const auto field = reader.next()) {
        if (field->number == 1) {
            OnnxNode node;
            if (!readNode(field->bytes, node)) return false;
            graph.nodes.push_back(std::move(node));
        } else if (field->number == 5) {
            NamedTensor named;
            if (!readTensor(field->bytes, named) || named.external) return false;
            if (named.dataType != onnxFloat) continue;
            std::int64_t count = 1;
            for (const auto dim : named.tensor.dims)
                count *= dim;
            if (count != static_cast<std::int64_t>(named.tensor.values.size())) return false;
            graph.constants[named.name] = std::move(named.tensor);
        } else if (field->number == 11 || field->number == 12) {
            auto name = valueName(field->bytes);
            if (!name) return false;
            (field->number == 11 ? declaredInputs : graph.outputs).push_back(std::move(*name));
        }
    }
    if (reader.failed()) return false;
    // Older exporters list the constants among the inputs as well.
    for (auto& name : declaredInputs) {
        if (!graph.constants.contains(name)) graph.inputs.push_back(std::move(name));
    }
    return !graph.nodes.empty();
}

} // namespace

std::int64_t OnnxNode::integer(const std::string& name, std::int64_t fallback) const
{
    const auto found = attributes.find(name);
    return found == attributes.end() ? fallback : found->second.integer;
}

std::vector<std::int64_t> OnnxNode::integers(const std::string& name) const
{
    const auto found = attributes.find(name);
    return found == attributes.end() ? std::vector<std::int64_t> {} : found->second.integers;
}

std::string OnnxNode::text(const std::string& name, const std::string& fallback) const
{
    const auto found = attributes.find(name);
    return found == attributes.end() ? fallback : found->second.text;
}

std::optional<OnnxGraph> readOnnxGraph(const std::filesystem::path& file)
{
    // The shipped model is under 30 MB; a file far larger is not one this program would run.
    const auto bytes = readFileBytes(file, maximumModelBytes);
    if (!bytes) return std::nullopt;
    WireReader reader(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    std::optional<OnnxGraph> graph;
    while (const auto field = reader.next()) {
        if (field->number != 7 || field->type != WireType::bytes) continue;
        graph.emplace();
        if (!readGraph(field->bytes, *graph)) return std::nullopt;
    }
    if (reader.failed()) return std::nullopt;
    return graph;
}

} // namespace tl
