#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tl {

// Raw bytes stored under a key, kept apart from text.
struct DefaultsData {
    std::string bytes;
    friend bool operator==(const DefaultsData&, const DefaultsData&) = default;
};

// The user's persistent key/value settings. Every store is safe to use from any thread. Stores may hand values back
// with a looser type than they were written with (a settings file keeps numbers and flags as text), so the typed
// readers accept the text form too.
class Defaults {
public:
    using Value = std::variant<bool, std::int64_t, double, std::string, DefaultsData>;

    virtual ~Defaults() = default;

    virtual std::optional<Value> value(std::string_view key) const = 0;
    virtual void set(std::string_view key, Value value) = 0;
    virtual void remove(std::string_view key) = 0;
    // Makes what other processes stored since visible here, and what was set here visible to them.
    // Stores no other process shares have nothing to do.
    virtual void synchronize() { }

    std::optional<std::string> string(std::string_view key) const;
    std::optional<DefaultsData> data(std::string_view key) const;
    std::optional<bool> boolean(std::string_view key) const;
    std::optional<std::int64_t> integer(std::string_view key) const;
    std::optional<double> real(std::string_view key) const;
};

// Keeps values for the life of the object; for tests and for runs that must not
// touch the user's settings.
class InMemoryDefaults final : public Defaults {
public:
    std::optional<Value> value(std::string_view key) const override;
    void set(std::string_view key, Value value) override;
    void remove(std::string_view key) override;

private:
    mutable std::mutex mutex_;
    std::map<std::string, Value, std::less<>> values_;
};

} // namespace tl
