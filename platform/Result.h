#pragma once

#include <utility>
#include <variant>

namespace tl {

// Either a value or the error that prevented it. Every layer returns its failures this way;
// an area's error type says in its own words what went wrong (and whether it was a cancellation).
template <class T, class E> class [[nodiscard]] Result {
public:
    Result(T value)
        : storage_(std::in_place_index<0>, std::move(value))
    {
    }
    Result(E error)
        : storage_(std::in_place_index<1>, std::move(error))
    {
    }

    bool ok() const { return storage_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Both accessors throw std::bad_variant_access when asked for the other alternative.
    const T& value() const& { return std::get<0>(storage_); }
    T& value() & { return std::get<0>(storage_); }
    T&& value() && { return std::get<0>(std::move(storage_)); }
    const E& error() const { return std::get<1>(storage_); }

private:
    std::variant<T, E> storage_;
};

// The outcome of an operation that gives nothing back but may fail.
template <class E> class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    Result(E error)
        : error_(std::move(error))
        , failed_(true)
    {
    }

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    // Undefined when ok(); callers check first.
    const E& error() const { return error_; }

private:
    E error_ {};
    bool failed_ = false;
};

} // namespace tl
