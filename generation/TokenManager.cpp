#include "generation/TokenManager.h"

#include "generation/JsonFields.h"

#include "platform/Log.h"
#include "platform/Uuid.h"
#include "platform/http/WebUrl.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace tl {
namespace {

using Json = nlohmann::json;

// Longer lives are treated as this one, so a huge reply cannot overflow the clock.
constexpr std::int64_t kLongestLifeSeconds = std::int64_t { 10 } * 365 * 24 * 3600;

// A bearer token goes into a header: anything that could break the header line is refused.
bool isUsableToken(std::string_view token)
{
    return !token.empty()
        && std::ranges::none_of(token, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

std::optional<std::int64_t> wholeSeconds(const Json& value)
{
    if (value.is_number_unsigned()) {
        return static_cast<std::int64_t>(std::min<std::uint64_t>(value.get<std::uint64_t>(), INT64_MAX));
    }
    if (value.is_number_integer()) return value.get<std::int64_t>();
    if (value.is_number_float()) {
        const double seconds = value.get<double>();
        if (!std::isfinite(seconds) || seconds != std::floor(seconds)) return std::nullopt;
        return static_cast<std::int64_t>(std::clamp(seconds, -1e18, 1e18));
    }
    return std::nullopt;
}

} // namespace

TokenManager::TokenManager(std::string serverURL, ServerContext context)
    : serverURL_(std::move(serverURL))
    , context_(context)
{
}

TokenManager::~TokenManager() = default;

GenerationResult<std::string> TokenManager::getToken(std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    if (cachedToken_ && tokenExpiresAt_ && context_.clock.steadyNow() < *tokenExpiresAt_ - refreshBuffer) {
        return *cachedToken_;
    }
    if (!pendingFetch_) startFetch();
    const auto fetch = pendingFetch_;
    fetchEnded_.wait(lock, stop, [&] { return fetch->done; });
    if (!fetch->done) return cancelledFailure();
    return *fetch->outcome;
}

void TokenManager::startFetch()
{
    auto fetch = std::make_shared<Fetch>();
    pendingFetch_ = fetch;
    // The previous fetch has already left its last critical section, so joining it is quick.
    fetchThread_ = std::jthread([this, fetch](std::stop_token stop) {
        auto fresh = fetchNewToken(stop);
        {
            const std::lock_guard lock(mutex_);
            if (fresh.ok()) {
                const auto life = std::clamp<std::int64_t>(fresh.value().expiresIn, 0, kLongestLifeSeconds);
                cachedToken_ = fresh.value().token;
                tokenExpiresAt_ = context_.clock.steadyNow() + std::chrono::seconds(life);
                fetch->outcome = GenerationResult<std::string>(fresh.value().token);
            } else {
                fetch->outcome = GenerationResult<std::string>(fresh.error());
            }
            fetch->done = true;
            pendingFetch_.reset();
        }
        fetchEnded_.notify_all();
    });
}

void TokenManager::invalidateToken(std::string_view rejectedToken)
{
    const std::lock_guard lock(mutex_);
    if (cachedToken_ != rejectedToken) return;
    cachedToken_.reset();
    tokenExpiresAt_.reset();
}

GenerationResult<TokenManager::FreshToken> TokenManager::fetchNewToken(std::stop_token stop)
{
    log("🔑 Fetching new token...");
    const auto url = serverURL_ + "/api/token";
    if (!isWebURL(url)) return TokenError { TokenError::Kind::invalidURL };

    const Json body = {
        { "deviceId", deviceId() },
        { "bundleId", context_.bundle.identifier.value_or("com.tidelumine.app") },
        { "version", context_.bundle.shortVersion.value_or("1.0.0") },
    };
    const auto& timeouts = context_.timeouts;
    auto sent = context_.transport.send(json::postRequest(url, body, timeouts.token, timeouts.shortDeadline), stop);
    if (!sent.ok()) return sent.error();
    const HttpResponse& response = sent.value();
    if (response.status != 200) {
        log("❌ Token fetch failed: " + std::to_string(response.status));
        return TokenError { TokenError::Kind::serverError, response.status };
    }

    const Json reply = json::parse(response.body);
    if (!reply.is_object() || !reply.contains("token") || !reply["token"].is_string() || !reply.contains("expiresIn")) {
        return ResponseDecodingError {};
    }
    const auto expiresIn = wholeSeconds(reply["expiresIn"]);
    if (!expiresIn) return ResponseDecodingError {};
    auto token = reply["token"].get<std::string>();
    if (!isUsableToken(token)) return TokenError { TokenError::Kind::invalidResponse };

    log("✅ Token fetched (expires in " + std::to_string(*expiresIn) + "s)");
    return FreshToken { std::move(token), *expiresIn };
}

std::string TokenManager::deviceId()
{
    // One lock for the whole process, so two managers never both create an identifier.
    static std::mutex creation;
    const std::lock_guard lock(creation);
    if (auto stored = context_.defaults.string(deviceIdKey); stored && !stored->empty()) return *stored;
    auto created = Uuid::random().text();
    context_.defaults.set(deviceIdKey, created);
    return created;
}

} // namespace tl
