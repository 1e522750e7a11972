#include "model/JsonWriter.h"

#include "model/JsonPath.h"
#include "platform/Text.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tl {
namespace {

using nlohmann::json;

std::string_view shortEscape(char c)
{
    switch (c) {
    case '"':
        return "\\\"";
    case '\\':
        return "\\\\";
    case '/':
        return "\\/";
    case '\b':
        return "\\b";
    case '\f':
        return "\\f";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    default:
        return {};
    }
}

class Writer {
public:
    explicit Writer(JsonLayout layout)
        : layout_(layout)
    {
    }

    bool write(const json& value, const std::string& path, int depth)
    {
        switch (value.type()) {
        case json::value_t::null:
            text_ += "null";
            return true;
        case json::value_t::boolean:
            text_ += value.get<bool>() ? "true" : "false";
            return true;
        case json::value_t::number_integer:
            appendNumber(value.get<std::int64_t>());
            return true;
        case json::value_t::number_unsigned:
            appendNumber(value.get<std::uint64_t>());
            return true;
        case json::value_t::number_float:
            return writeDouble(value.get<double>(), path);
        case json::value_t::string:
            return writeString(value.get_ref<const std::string&>(), path);
        case json::value_t::array:
            return writeArray(value, path, depth);
        case json::value_t::object:
            return writeObject(value, path, depth);
        default:
            return fail(path, "has no JSON text form");
        }
    }

    std::string& text() { return text_; }
    const CodingError& fault() const { return *fault_; }

private:
    bool fail(const std::string& path, std::string_view problem)
    {
        fault_ = CodingError { "The data couldn't be written because it isn't in the correct format: "
            + describePath(path) + ' ' + std::string { problem } + '.' };
        return false;
    }

    template <class Number> void appendNumber(Number number)
    {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
        text_.append(buffer, result.ptr);
    }

    bool writeDouble(double number, const std::string& path)
    {
        if (!std::isfinite(number)) return fail(path, "is not a finite number");
        if (number == 0.0 && std::signbit(number)) {
            text_ += "-0";
            return true;
        }
        appendNumber(number);
        return true;
    }

    bool writeString(std::string_view string, const std::string& path)
    {
        text_ += '"';
        for (std::size_t index = 0; index < string.size();) {
            const std::size_t length = utf8SequenceLength(string.substr(index));
            if (length == 0) return fail(path, "is not valid UTF-8 text");
            const char c = string[index];
            if (length > 1) {
                text_.append(string.substr(index, length));
            } else if (const auto escape = shortEscape(c); !escape.empty()) {
                text_ += escape;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                static constexpr char kHexDigits[] = "0123456789abcdef";
                text_ += "\\u00";
                text_ += kHexDigits[(c >> 4) & 0x0F];
                text_ += kHexDigits[c & 0x0F];
            } else {
                text_ += c;
            }
            index += length;
        }
        text_ += '"';
        return true;
    }

    bool writeArray(const json& array, const std::string& path, int depth)
    {
        std::size_t index = 0;
        return writeContainer('[', ']', array, depth,
            [&](const json& element) { return write(element, elementPath(path, index++), depth + 1); });
    }

    bool writeObject(const json& object, const std::string& path, int depth)
    {
        return writeContainer('{', '}', object.items(), depth, [&](const auto& member) {
            const std::string valuePath = memberPath(path, member.key());
            if (!writeString(member.key(), valuePath)) return false;
            text_ += layout_ == JsonLayout::pretty ? " : " : ":";
            return write(member.value(), valuePath, depth + 1);
        });
    }

    template <class Items, class WriteItem>
    bool writeContainer(char open, char close, Items&& items, int depth, WriteItem writeItem)
    {
        text_ += open;
        bool empty = true;
        for (const auto& item : items) {
            if (!empty) text_ += ',';
            empty = false;
            startLine(depth + 1);
            if (!writeItem(item)) return false;
        }
        if (!empty) startLine(depth);
        text_ += close;
        return true;
    }

    void startLine(int depth)
    {
        if (layout_ == JsonLayout::compact) return;
        text_ += '\n';
        text_.append(static_cast<std::size_t>(depth) * 2, ' ');
    }

    JsonLayout layout_;
    std::string text_;
    std::optional<CodingError> fault_;
};

} // namespace

CodingResult<std::string> writeJson(const json& value, JsonLayout layout)
{
    Writer writer { layout };
    if (!writer.write(value, "", 0)) return writer.fault();
    return std::move(writer.text());
}

} // namespace tl
