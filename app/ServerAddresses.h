#pragma once

#include "platform/Environment.h"

#include <string>

namespace tl {

// The product's API server: "API_SERVER_URL" when set and not empty, else the
// release address. Logs which one it chose on every call.
std::string resolvedServerURL(const Environment& environment = processEnvironment());

// Where the update feeds live: "SPARKLE_FEED_BASE_URL" when set and not empty,
// else the release update server. Logs nothing.
std::string updateFeedBaseURL(const Environment& environment = processEnvironment());

} // namespace tl
