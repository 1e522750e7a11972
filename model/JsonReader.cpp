#include "model/JsonReader.h"

#include "model/JsonPath.h"
#include "platform/JsonNesting.h"
#include "platform/Uuid.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace tl {
namespace {

using nlohmann::json;

void record(std::optional<CodingError>& fault, std::string message)
{
    if (!fault) fault = CodingError { std::move(message) };
}

void recordMissing(std::optional<CodingError>& fault, std::string_view path)
{
    record(fault, "The data couldn't be read because it is missing: no value for " + describePath(path) + '.');
}

void recordWrongValue(std::optional<CodingError>& fault, std::string_view path, std::string_view expectation)
{
    record(fault,
        "The data couldn't be read because it isn't in the correct format: " + describePath(path) + " should be "
            + std::string { expectation } + '.');
}

template <class T> struct JsonValue;

template <> struct JsonValue<std::string> {
    static constexpr std::string_view expectation = "a string";
    static std::optional<std::string> read(const json& value)
    {
        if (!value.is_string()) return std::nullopt;
        return value.get<std::string>();
    }
};

template <> struct JsonValue<bool> {
    static constexpr std::string_view expectation = "true or false";
    static std::optional<bool> read(const json& value)
    {
        if (!value.is_boolean()) return std::nullopt;
        return value.get<bool>();
    }
};

template <> struct JsonValue<double> {
    static constexpr std::string_view expectation = "a finite number";
    static std::optional<double> read(const json& value)
    {
        switch (value.type()) {
        case json::value_t::number_float: {
            const double number = value.get<double>();
            if (!std::isfinite(number)) return std::nullopt;
            return number;
        }
        // A whole number in the text is still a number: it reads as the nearest double.
        case json::value_t::number_integer:
            return static_cast<double>(value.get<std::int64_t>());
        case json::value_t::number_unsigned:
            return static_cast<double>(value.get<std::uint64_t>());
        default:
            return std::nullopt;
        }
    }
};

template <> struct JsonValue<std::int64_t> {
    static constexpr std::string_view expectation = "a whole number within the 64-bit range";
    static std::optional<std::int64_t> read(const json& value)
    {
        switch (value.type()) {
        case json::value_t::number_integer:
            return value.get<std::int64_t>();
        case json::value_t::number_unsigned: {
            const auto number = value.get<std::uint64_t>();
            if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
            return static_cast<std::int64_t>(number);
        }
        case json::value_t::number_float: {
            const double number = value.get<double>();
            // 2^63, the first double past the range.
            const double limit = static_cast<double>(std::numeric_limits<std::int64_t>::max());
            if (!(number >= -limit && number < limit) || number != std::trunc(number)) {
                return std::nullopt;
            }
            return static_cast<std::int64_t>(number);
        }
        default:
            return std::nullopt;
        }
    }
};

template <> struct JsonValue<Uuid> {
    static constexpr std::string_view expectation = "a UUID text";
    static std::optional<Uuid> read(const json& value)
    {
        if (!value.is_string()) return std::nullopt;
        return Uuid::parse(value.get_ref<const std::string&>());
    }
};

} // namespace

namespace {

// The parser reads the token "-0" as the integer 0 and drops its sign; spelled
// "-0.0" it stays a negative zero. Only tokens outside strings are touched.
std::string withSignedZeros(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        result += c;
        if (inString) {
            if (c == '\\' && i + 1 < text.size()) {
                result += text[++i];
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '0') {
            const char after = i + 2 < text.size() ? text[i + 2] : ' ';
            if (after != '.' && after != 'e' && after != 'E' && (after < '0' || after > '9')) {
                result += "0.0";
                ++i;
            }
        }
    }
    return result;
}

} // namespace

CodingResult<json> parseJson(std::string_view text)
{
    if (jsonNestsDeeperThan(text)) {
        return CodingError { "The data couldn't be read because it isn't in the correct format: "
                             "the text nests deeper than "
            + std::to_string(largestJsonNesting) + " levels." };
    }
    const std::string prepared = withSignedZeros(text);
    json value = json::parse(prepared.begin(), prepared.end(), nullptr, /*allow_exceptions=*/false);
    if (value.is_discarded()) {
        return CodingError { "The data couldn't be read because it isn't in the correct format: "
                             "the text is not well-formed JSON in UTF-8." };
    }
    return value;
}

JsonObjectReader::JsonObjectReader(const json& value, std::string path, std::optional<CodingError>& fault)
    : object_(value.is_object() ? &value : nullptr)
    , path_(std::move(path))
    , fault_(&fault)
{
    if (!object_) recordWrongValue(fault, path_, "an object");
}

template <class T> T JsonObjectReader::required(std::string_view key)
{
    const json* value = member(key);
    if (!value) {
        recordMissing(*fault_, memberPath(path_, key));
        return T {};
    }
    return convert<T>(*value, key).value_or(T {});
}

template <class T> std::optional<T> JsonObjectReader::optional(std::string_view key)
{
    const json* value = member(key);
    if (!value) return std::nullopt;
    return convert<T>(*value, key);
}

std::vector<JsonObjectReader> JsonObjectReader::objects(std::string_view key, std::size_t largestCount)
{
    const std::string path = memberPath(path_, key);
    const json* value = member(key);
    if (!value) {
        recordMissing(*fault_, path);
        return {};
    }
    return readObjects(*value, path, *fault_, largestCount);
}

void JsonObjectReader::reject(std::string_view key, std::string_view expectation)
{
    recordWrongValue(*fault_, memberPath(path_, key), expectation);
}

const json* JsonObjectReader::member(std::string_view key) const
{
    if (!object_) return nullptr;
    const auto found = object_->find(key);
    if (found == object_->end() || found->is_null()) return nullptr;
    return &*found;
}

template <class T> std::optional<T> JsonObjectReader::convert(const json& value, std::string_view key)
{
    auto converted = JsonValue<T>::read(value);
    if (!converted) reject(key, JsonValue<T>::expectation);
    return converted;
}

template std::string JsonObjectReader::required(std::string_view);
template bool JsonObjectReader::required(std::string_view);
template double JsonObjectReader::required(std::string_view);
template std::int64_t JsonObjectReader::required(std::string_view);
template Uuid JsonObjectReader::required(std::string_view);
template std::optional<std::string> JsonObjectReader::optional(std::string_view);
template std::optional<bool> JsonObjectReader::optional(std::string_view);
template std::optional<double> JsonObjectReader::optional(std::string_view);
template std::optional<std::int64_t> JsonObjectReader::optional(std::string_view);
template std::optional<Uuid> JsonObjectReader::optional(std::string_view);

std::vector<JsonObjectReader> readObjects(
    const json& value, const std::string& path, std::optional<CodingError>& fault, std::size_t largestCount)
{
    if (!value.is_array()) {
        recordWrongValue(fault, path, "an array");
        return {};
    }
    if (value.size() > largestCount) {
        recordWrongValue(fault, path, "an array of at most " + std::to_string(largestCount) + " entries");
        return {};
    }
    std::vector<JsonObjectReader> readers;
    readers.reserve(value.size());
    for (std::size_t index = 0; index < value.size(); ++index) {
        readers.emplace_back(value[index], elementPath(path, index), fault);
    }
    return readers;
}

} // namespace tl
