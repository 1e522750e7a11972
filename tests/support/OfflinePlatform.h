#pragma once

#include "platform/Clock.h"
#include "platform/Environment.h"
#include "platform/http/HttpTransport.h"
#include "shell/TidelumineApp.h"
#include "support/ScriptedDialogs.h"

namespace tl::testing {

// A network that is never reachable, so an application under test checks for
// updates without leaving the machine.
class UnreachableTransport final : public HttpTransport {
public:
    Result<HttpResponse, HttpError> send(const HttpRequest&, std::stop_token) override
    {
        return HttpError { HttpError::Kind::cannotConnect };
    }
};

// Everything an application under test needs besides the dialogs and the
// scheduler, which each test picks.
struct OfflinePlatform {
    PlatformServices services(Dialogs& dialogs, MainThreadScheduler& scheduler)
    {
        return { defaults, dialogs, scheduler, transport, environment, systemClock() };
    }

    InMemoryDefaults defaults;
    UnreachableTransport transport;
    FixedEnvironment environment;
};

} // namespace tl::testing
