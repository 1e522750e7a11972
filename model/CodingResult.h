#pragma once

#include <string>
#include <utility>
#include <variant>

namespace tl {

// Why a record could not be written or read, as a sentence for the user.
struct CodingError {
    std::string message;
};

// Either the coded value or the reason it could not be produced.
template <class T> class CodingResult {
public:
    CodingResult(T value)
        : storage_(std::move(value))
    {
    }
    CodingResult(CodingError error)
        : storage_(std::move(error))
    {
    }

    bool ok() const { return std::holds_alternative<T>(storage_); }
    explicit operator bool() const { return ok(); }

    // Both accessors throw std::bad_variant_access when asked for the other alternative.
    const T& value() const& { return std::get<T>(storage_); }
    T&& value() && { return std::get<T>(std::move(storage_)); }
    const CodingError& error() const { return std::get<CodingError>(storage_); }

private:
    std::variant<T, CodingError> storage_;
};

} // namespace tl
