#include "app/ServerAddresses.h"

#include "platform/Log.h"

namespace tl {
namespace {

std::optional<std::string> nonEmpty(const Environment& environment, std::string_view name)
{
    auto value = environment.variable(name);
    if (value && value->empty()) return std::nullopt;
    return value;
}

} // namespace

std::string resolvedServerURL(const Environment& environment)
{
    if (const auto fromEnvironment = nonEmpty(environment, "API_SERVER_URL")) {
        log("🔧 Using API_SERVER_URL from environment: " + *fromEnvironment);
        return *fromEnvironment;
    }
    log("🔧 Using RELEASE serverURL: " TIDELUMINE_RELEASE_API_SERVER_URL);
    return TIDELUMINE_RELEASE_API_SERVER_URL;
}

std::string updateFeedBaseURL(const Environment& environment)
{
    return nonEmpty(environment, "SPARKLE_FEED_BASE_URL").value_or(TIDELUMINE_RELEASE_UPDATE_SERVER_URL);
}

} // namespace tl
