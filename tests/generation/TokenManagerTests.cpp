#include "generation/TokenManager.h"

#include "generation/ServerRoadFixture.h"
#include "platform/Uuid.h"

#include <future>

namespace tl {
namespace {

using namespace std::chrono_literals;
using testing::FakeProductServer;
using testing::ServerRoadTest;

class TokenManagerTest : public ServerRoadTest {
protected:
    std::string token(TokenManager& manager)
    {
        auto result = manager.getToken({});
        EXPECT_TRUE(result.ok()) << (result.ok() ? "" : describe(result.error()));
        return result.ok() ? result.value() : "";
    }

    // Leaves `manager` holding a token that has run out. Every later caller then reads the clock
    // once, under the manager's lock, before it starts or joins a fetch: a test can tell when its
    // callers have arrived, however slowly their threads start.
    void holdAnExpiredToken(TokenManager& manager)
    {
        EXPECT_FALSE(token(manager).empty());
        clock.advance(std::chrono::hours(1));
    }

    // Opens the gate `held` keeps its token replies behind once `count` callers have arrived
    // since the clock had been read `readsBefore` times. False when they did not arrive.
    bool releaseAfterArrivals(FakeProductServer& held, int readsBefore, int count)
    {
        const bool arrived = clock.awaitSteadyReads(readsBefore + count);
        held.loopback().openGate();
        return arrived;
    }
};

TEST_F(TokenManagerTest, ConcurrentCallersShareOneFetch)
{
    TokenManager manager(server.url(), context());
    holdAnExpiredToken(manager);
    server.holdToken = true;
    const int reads = clock.steadyReads();
    std::vector<std::future<std::string>> callers;
    for (int i = 0; i < 5; ++i)
        callers.push_back(std::async(std::launch::async, [&] { return token(manager); }));
    EXPECT_TRUE(releaseAfterArrivals(server, reads, 5));
    for (auto& caller : callers)
        EXPECT_EQ(caller.get(), "token-2");
    EXPECT_EQ(server.tokenRequests(), 2);

    const auto request = transport.requests().front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, server.url() + "/api/token");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    const auto body = server.tokenBodies().front();
    EXPECT_EQ(body.size(), 3u);
    EXPECT_EQ(body["bundleId"], "com.example.tidelumine");
    EXPECT_EQ(body["version"], "2.5.0");
    EXPECT_EQ(body["deviceId"], defaults.string(TokenManager::deviceIdKey).value_or("none"));
    EXPECT_TRUE(Uuid::parse(body["deviceId"].get<std::string>()));
    EXPECT_TRUE(log.contains("🔑 Fetching new token..."));
    EXPECT_TRUE(log.contains("✅ Token fetched (expires in 3600s)"));
}

// A server that takes its time before answering gets the token request's whole timeout; the short
// deadline of the exchange never cuts it off earlier.
TEST_F(TokenManagerTest, ASilentServerIsGivenTheWholeTimeout)
{
    server.holdToken = true;
    auto quick = context();
    quick.timeouts.token = 800ms;
    quick.timeouts.shortDeadline = 100ms;
    TokenManager manager(server.url(), quick);
    const auto [waited, result] = testing::timed([&] { return manager.getToken({}); });
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), GenerationFailure(HttpError { HttpError::Kind::timedOut }));
    EXPECT_GE(waited, 750ms);
    EXPECT_LT(waited, 20s);
}

TEST_F(TokenManagerTest, CachesUntilTenMinutesBeforeExpiry)
{
    server.tokenLifetime = 1200;
    TokenManager manager(server.url(), context());
    EXPECT_EQ(token(manager), "token-1");
    clock.advance(599s); // 601 s of life left
    EXPECT_EQ(token(manager), "token-1");
    clock.advance(1s); // exactly 600 s left
    EXPECT_EQ(token(manager), "token-2");
    EXPECT_EQ(server.tokenRequests(), 2);
}

TEST_F(TokenManagerTest, ShortOrAbsurdLifetimesNeitherCacheWronglyNorOverflow)
{
    const struct {
        std::string expiresIn;
        bool cached;
    } cases[] = { { "600", false }, { "0", false }, { "-30", false }, { "1000000000000000000", true }, { "1e18", true },
        { "18446744073709551615", true } };
    for (const auto& entry : cases) {
        server.tokenBody = R"({"token":"abc","expiresIn":)" + entry.expiresIn + "}";
        TokenManager manager(server.url(), context());
        const int before = server.tokenRequests();
        EXPECT_EQ(token(manager), "abc");
        clock.advance(1s);
        EXPECT_EQ(token(manager), "abc");
        EXPECT_EQ(server.tokenRequests() - before, entry.cached ? 1 : 2) << entry.expiresIn;
    }
}

TEST_F(TokenManagerTest, FallbackBundleValuesAndOneDeviceIdentifierForEveryManager)
{
    bundle = {};
    std::vector<std::future<std::string>> managers;
    for (int i = 0; i < 4; ++i) {
        managers.push_back(std::async(std::launch::async, [&] {
            TokenManager manager(server.url(), context());
            return token(manager);
        }));
    }
    for (auto& manager : managers)
        manager.get();

    const auto bodies = server.tokenBodies();
    ASSERT_EQ(bodies.size(), 4u);
    for (const auto& body : bodies) {
        EXPECT_EQ(body["bundleId"], "com.tidelumine.app");
        EXPECT_EQ(body["version"], "1.0.0");
        EXPECT_EQ(body["deviceId"], bodies.front()["deviceId"]);
    }
}

TEST_F(TokenManagerTest, FailuresReachEveryWaiterAndTheNextCallTriesAgain)
{
    const struct {
        long status;
        std::optional<std::string> body;
        std::string expected;
    } cases[] = {
        { 201, std::nullopt, "Server error: 201" },
        { 500, std::nullopt, "Server error: 500" },
        { 200, R"({"token":"abc"})", ResponseDecodingError {}.description() },
        { 200, R"({"token":7,"expiresIn":60})", ResponseDecodingError {}.description() },
        { 200, R"({"token":"abc","expiresIn":1.5})", ResponseDecodingError {}.description() },
        { 200, "not json", ResponseDecodingError {}.description() },
        { 200, R"({"token":"abc\r\nX-Injected: 1","expiresIn":60})", "Invalid response from server" },
        { 200, R"({"token":"","expiresIn":60})", "Invalid response from server" },
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.expected);
        // A server of its own: its gate, once opened, stays open.
        FakeProductServer failing;
        TokenManager manager(failing.url(), context());
        holdAnExpiredToken(manager);
        failing.tokenStatus = entry.status;
        failing.tokenBody = entry.body;
        failing.holdToken = true;
        const int reads = clock.steadyReads();
        auto first = std::async(std::launch::async, [&] { return manager.getToken({}); });
        auto second = std::async(std::launch::async, [&] { return manager.getToken({}); });
        EXPECT_TRUE(releaseAfterArrivals(failing, reads, 2));
        const auto firsts = first.get();
        const auto seconds = second.get();
        ASSERT_FALSE(firsts.ok());
        ASSERT_FALSE(seconds.ok());
        EXPECT_EQ(describe(firsts.error()), entry.expected);
        EXPECT_EQ(describe(seconds.error()), entry.expected);
        EXPECT_FALSE(manager.getToken({}).ok());
        EXPECT_EQ(failing.tokenRequests(), 3); // the expired token's, the shared one, the retry
    }
    EXPECT_TRUE(log.contains("❌ Token fetch failed: 201"));
}

TEST_F(TokenManagerTest, AddressesAreUsedAsGiven)
{
    TokenManager slashed(server.url() + "/", context());
    EXPECT_FALSE(slashed.getToken({}).ok());
    EXPECT_EQ(transport.requests().back().url, server.url() + "//api/token");

    for (const char* address : { "", "not an address", "file:///tmp", "ftp://127.0.0.1" }) {
        TokenManager manager(address, context());
        const auto result = manager.getToken({});
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(describe(result.error()), "Invalid server URL") << address;
    }
    EXPECT_EQ(transport.requests().size(), 1u);
}

TEST_F(TokenManagerTest, AWaiterThatStopsLeavesTheFetchRunningForOthers)
{
    TokenManager manager(server.url(), context());
    holdAnExpiredToken(manager);
    server.holdToken = true;
    const int reads = clock.steadyReads();
    std::stop_source stop;
    auto waiter = std::async(std::launch::async, [&] { return manager.getToken(stop.get_token()); });
    EXPECT_TRUE(clock.awaitSteadyReads(reads + 1));
    testing::expectStopsWithin(stop, waiter, 250ms);

    auto other = std::async(std::launch::async, [&] { return token(manager); });
    EXPECT_TRUE(releaseAfterArrivals(server, reads + 1, 1));
    EXPECT_EQ(other.get(), "token-2");
    EXPECT_EQ(server.tokenRequests(), 2);
}

TEST_F(TokenManagerTest, InvalidationForgetsOnlyTheRejectedToken)
{
    TokenManager manager(server.url(), context());
    EXPECT_EQ(token(manager), "token-1");
    manager.invalidateToken("token-0");
    EXPECT_EQ(token(manager), "token-1");
    manager.invalidateToken("token-1");
    EXPECT_EQ(token(manager), "token-2");
    EXPECT_EQ(server.tokenRequests(), 2);
}

} // namespace
} // namespace tl
