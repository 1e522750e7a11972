#include "platform/Environment.h"

#include <cstdlib>

namespace tl {

std::optional<std::string> ProcessEnvironment::variable(std::string_view name) const
{
    const std::string key(name);
    if (const char* value = std::getenv(key.c_str())) return std::string(value);
    return std::nullopt;
}

std::optional<std::string> FixedEnvironment::variable(std::string_view name) const
{
    if (const auto found = variables_.find(name); found != variables_.end()) return found->second;
    return std::nullopt;
}

const Environment& processEnvironment()
{
    static const ProcessEnvironment environment;
    return environment;
}

} // namespace tl
