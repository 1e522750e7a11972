#pragma once

#include <string>

namespace tl {

// Failures of the three clients of the product's own server. They share their texts for a bad
// address and an unreadable reply, and differ in how they word a server error.

struct TokenError {
    enum class Kind { serverError, invalidURL, invalidResponse };
    Kind kind;
    long status = 0;

    std::string description() const;
    friend bool operator==(const TokenError&, const TokenError&) = default;
};

struct ProxyError {
    enum class Kind { serverError, invalidURL, invalidResponse, unauthorized, invalidImageResponse };
    Kind kind;
    long status = 0;
    std::string reply {};

    std::string description() const;
    friend bool operator==(const ProxyError&, const ProxyError&) = default;
};

struct PromptError {
    enum class Kind { serverError, invalidURL, invalidResponse, noBundledPrompts };
    Kind kind;
    long status = 0;

    std::string description() const;
    friend bool operator==(const PromptError&, const PromptError&) = default;
};

} // namespace tl
