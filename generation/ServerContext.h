#pragma once

#include "platform/Bundle.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Resources.h"
#include "platform/http/HttpTransport.h"

#include <chrono>

namespace tl {

// How long requests to the product's server wait. A request gives up when nothing arrives for
// its timeout; a short exchange (a token, the templates) also ends at the short deadline once
// that has passed, but never before its timeout.
struct ServerTimeouts {
    std::chrono::milliseconds token { std::chrono::seconds(60) };
    std::chrono::milliseconds prompts { std::chrono::seconds(60) };
    std::chrono::milliseconds proxy { std::chrono::seconds(180) };
    std::chrono::milliseconds shortDeadline { std::chrono::seconds(30) };
};

// What the clients of the product's server need from the outside world, handed in so tests
// can run them against a fake server, a manual clock and in-memory settings. The referenced
// objects must outlive every client built with them, and the defaults store must be safe to
// use from several threads.
struct ServerContext {
    HttpTransport& transport;
    Defaults& defaults;
    const Clock& clock = systemClock();
    const Resources& resources = programResources();
    BundleInfo bundle = mainBundle();
    ServerTimeouts timeouts {};
};

} // namespace tl
