#pragma once

#include "generation/MultiProviderImageService.h"
#include "generation/ServerContext.h"

#include <functional>
#include <memory>
#include <string>

namespace tl {

// The generation clients' shared pieces, made once by the application and handed down to the
// window's sheets: the context for the product's server (one transport, the thread-safe settings
// store, the clock) and the router over the three public providers. Everything referenced must
// outlive the bundle.
struct GenerationServices {
    GenerationServices(HttpTransport& transport, Defaults& defaults, const Environment& environment,
        const Clock& clock = systemClock());

    ServerContext server;
    const Environment& environment;
    std::unique_ptr<MultiProviderImageService> providers;
    // The product server's address as the settings choose it; unset, the sheets take the
    // environment's or the release address.
    std::function<std::string()> serverURL;
};

} // namespace tl
