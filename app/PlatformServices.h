#pragma once

#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/MainThreadScheduler.h"
#include "platform/http/HttpTransport.h"

namespace tl {

// What the application needs of the machine it runs on; tests hand in their own.
struct PlatformServices {
    Defaults& defaults;
    Dialogs& dialogs;
    MainThreadScheduler& scheduler;
    HttpTransport& transport;
    const Environment& environment;
    const Clock& clock;
};

} // namespace tl
