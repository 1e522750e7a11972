#pragma once

#include "platform/Clock.h"
#include "platform/Environment.h"
#include "shell/TidelumineApp.h"
#include "support/ScriptedDialogs.h"
#include "support/UnreachableTransport.h"

namespace tl::testing {

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
