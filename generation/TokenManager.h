#pragma once

#include "generation/GenerationFailure.h"
#include "generation/ServerContext.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace tl {

// Obtains and caches the short-lived bearer token of the product's server. Callers that ask
// while a fetch runs wait for that same fetch. The fetch belongs to the manager, not to the
// caller that started it: a caller that stops waiting leaves it running for the others, and
// destroying the manager stops it.
class TokenManager {
public:
    static constexpr std::chrono::seconds refreshBuffer { 600 };
    static constexpr const char* deviceIdKey = "TidelumineDeviceId";

    TokenManager(std::string serverURL, ServerContext context);
    ~TokenManager();
    TokenManager(const TokenManager&) = delete;
    TokenManager& operator=(const TokenManager&) = delete;

    // A token with more than ten minutes of life left, cached or fetched anew.
    GenerationResult<std::string> getToken(std::stop_token stop);
    // Forgets the cached token when it is still the one the server rejected; a token that
    // another caller fetched meanwhile is kept.
    void invalidateToken(std::string_view rejectedToken);

private:
    struct Fetch {
        bool done = false;
        std::optional<GenerationResult<std::string>> outcome;
    };
    struct FreshToken {
        std::string token;
        std::int64_t expiresIn;
    };

    void startFetch();
    GenerationResult<FreshToken> fetchNewToken(std::stop_token stop);
    std::string deviceId();

    const std::string serverURL_;
    const ServerContext context_;
    std::mutex mutex_;
    std::condition_variable_any fetchEnded_;
    std::optional<std::string> cachedToken_;
    std::optional<std::chrono::steady_clock::time_point> tokenExpiresAt_;
    std::shared_ptr<Fetch> pendingFetch_;
    // Declared last so it is stopped and joined before anything it uses goes away.
    std::jthread fetchThread_;
};

} // namespace tl
