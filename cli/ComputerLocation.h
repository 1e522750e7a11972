#pragma once

#include "cli/CommandFailure.h"
#include "engine/LocationProvider.h"
#include "platform/Result.h"

#include <functional>

namespace tl::cli {

// Finds this computer's place when the command line was given none.
using LocateComputer = std::function<Result<Location, CommandFailure>()>;

// Asks `provider` for one fix and waits for its answer on an event loop; the provider must answer
// (fix or failure) within a deadline of its own. Needs a QCoreApplication.
Result<Location, CommandFailure> askForLocation(LocationProvider& provider);

// The desktop's location service (GeoClue), the one the window's inspector asks.
LocateComputer desktopLocationService();

} // namespace tl::cli
