#pragma once

#include <string>

namespace tl {

// What a public-provider client reports when a generation fails for a reason of its own.
struct ImageGenerationError {
    enum class Kind { requestFailed, missingAPIKey, invalidResponse, decodeFailed, declined };

    Kind kind;
    // For requestFailed the whole message the client composed; for declined the quoted reason.
    std::string message;

    static ImageGenerationError requestFailed(std::string message)
    {
        return { Kind::requestFailed, std::move(message) };
    }
    static ImageGenerationError missingAPIKey() { return { Kind::missingAPIKey, {} }; }
    static ImageGenerationError invalidResponse() { return { Kind::invalidResponse, {} }; }
    static ImageGenerationError decodeFailed() { return { Kind::decodeFailed, {} }; }

    std::string description() const;
    friend bool operator==(const ImageGenerationError&, const ImageGenerationError&) = default;
};

} // namespace tl
