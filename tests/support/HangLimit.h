#pragma once

#include <chrono>

namespace tl::testing {

// How long a test waits for an event before calling it a hang. Work on a busy machine may take many
// times its usual time, so this is minutes, never a guess of how long the work takes.
inline constexpr std::chrono::milliseconds hangLimit = std::chrono::minutes(3);

} // namespace tl::testing
