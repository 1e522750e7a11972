#pragma once

#include "platform/Environment.h"

#include <optional>
#include <string>

namespace tl {

// Where a provider client finds its API key; asked at every call, never cached.
class APIKeyProvider {
public:
    virtual ~APIKeyProvider() = default;
    // No value when the key is not set at all; an empty value when it is set to nothing.
    virtual std::optional<std::string> apiKey() const = 0;
};

class EnvironmentAPIKeyProvider final : public APIKeyProvider {
public:
    explicit EnvironmentAPIKeyProvider(std::string name, const Environment& environment = processEnvironment())
        : keyName(std::move(name))
        , environment_(&environment)
    {
    }

    std::optional<std::string> apiKey() const override { return environment_->variable(keyName); }

    const std::string keyName;

private:
    const Environment* environment_;
};

} // namespace tl
