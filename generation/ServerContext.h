#pragma once

#include "platform/Bundle.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Resources.h"
#include "platform/http/HttpTransport.h"

namespace tl {

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
};

} // namespace tl
