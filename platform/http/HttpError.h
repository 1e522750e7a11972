#pragma once

#include <string>

namespace tl {

// Why a transfer produced no response. The texts are fixed and never carry the address,
// which may hold a secret in its query.
struct HttpError {
    enum class Kind {
        cancelled,
        invalidURL,
        invalidHeader,
        cannotConnect,
        timedOut,
        tooLarge,
        tooManyRedirects,
        secureConnectionFailed,
        connectionLost,
    };

    Kind kind;

    bool isCancellation() const { return kind == Kind::cancelled; }
    std::string description() const;
    friend bool operator==(const HttpError&, const HttpError&) = default;
};

} // namespace tl
