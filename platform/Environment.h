#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tl {

// The process environment, read afresh at every call so a change is seen at once.
class Environment {
public:
    virtual ~Environment() = default;
    // The variable's value, or no value when it is not set (an empty value is still set).
    virtual std::optional<std::string> variable(std::string_view name) const = 0;
};

class ProcessEnvironment final : public Environment {
public:
    std::optional<std::string> variable(std::string_view name) const override;
};

// A fixed set of variables; lets tests and tools run without touching the real environment.
class FixedEnvironment final : public Environment {
public:
    FixedEnvironment() = default;
    explicit FixedEnvironment(std::map<std::string, std::string, std::less<>> variables)
        : variables_(std::move(variables))
    {
    }

    std::optional<std::string> variable(std::string_view name) const override;

private:
    std::map<std::string, std::string, std::less<>> variables_;
};

const Environment& processEnvironment();

} // namespace tl
