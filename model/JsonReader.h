#pragma once

#include "model/CodingResult.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

// Parses JSON text strictly: malformed text, ill-formed UTF-8, trailing content,
// numbers beyond the range of a double and nesting beyond largestJsonNesting all fail.
CodingResult<nlohmann::json> parseJson(std::string_view text);

// Reads the members of one JSON object by key. All readers of one document share one
// fault slot that keeps the first fault found, so a decoder reads field after field and
// checks once at the end; after a fault, the values returned are placeholders.
//
// Readable types: std::string, bool, std::int64_t (only whole numbers it holds exactly),
// double (any finite number, read as its nearest double; "-0" keeps its sign) and Uuid
// (its canonical text).
// An explicit null counts as an absent member.
class JsonObjectReader {
public:
    JsonObjectReader(const nlohmann::json& value, std::string path, std::optional<CodingError>& fault);

    template <class T> T required(std::string_view key);
    template <class T> std::optional<T> optional(std::string_view key);

    // Readers for the objects in the required array under `key`; an array longer than
    // `largestCount` is a fault, found before any of its entries is read.
    std::vector<JsonObjectReader> objects(
        std::string_view key, std::size_t largestCount = std::numeric_limits<std::size_t>::max());

    // Records that the member under `key` holds a value outside what `expectation` allows.
    void reject(std::string_view key, std::string_view expectation);

private:
    const nlohmann::json* member(std::string_view key) const;
    template <class T> std::optional<T> convert(const nlohmann::json& value, std::string_view key);

    const nlohmann::json* object_;
    std::string path_;
    std::optional<CodingError>* fault_;
};

// Readers for the objects of the array `value` found at `path`, holding at most `largestCount`.
std::vector<JsonObjectReader> readObjects(const nlohmann::json& value, const std::string& path,
    std::optional<CodingError>& fault, std::size_t largestCount = std::numeric_limits<std::size_t>::max());

} // namespace tl
