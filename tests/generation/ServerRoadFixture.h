#pragma once

#include "generation/ManualClock.h"
#include "generation/RecordingTransport.h"
#include "generation/ServerContext.h"
#include "generation/fakes/FakeProductServer.h"
#include "support/LogRecorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stop_token>

namespace tl::testing {

// Requests a stop and checks that the running call ends, as a cancellation, within `limit`.
template <class Future> void expectStopsWithin(std::stop_source& stop, Future& running, std::chrono::milliseconds limit)
{
    const auto stoppedAt = std::chrono::steady_clock::now();
    stop.request_stop();
    const auto result = running.get();
    EXPECT_LT(std::chrono::steady_clock::now() - stoppedAt, limit);
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(isCancellation(result.error()));
}

// Runs `call` and returns how long it took together with its result.
template <class Call> auto timed(Call&& call)
{
    const auto start = std::chrono::steady_clock::now();
    auto result = call();
    return std::pair { std::chrono::steady_clock::now() - start, std::move(result) };
}

// A fake product server, the real transport, in-memory settings, a manual clock and no
// installed files unless a test puts some in its own temporary folder.
class ServerRoadTest : public ::testing::Test {
protected:
    ServerContext context() { return { transport, defaults, clock, resources, bundle }; }

    FakeProductServer server;
    RecordingTransport transport;
    InMemoryDefaults defaults;
    ManualClock clock;
    FolderResources resources { {} };
    BundleInfo bundle { "com.example.tidelumine", "2.5.0", std::nullopt };
    LogRecorder log;
};

} // namespace tl::testing
