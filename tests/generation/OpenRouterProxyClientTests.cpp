#include "generation/OpenRouterProxyClient.h"

#include "generation/Base64.h"
#include "generation/ServerRoadFixture.h"

namespace tl {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using testing::FakeProductServer;
using testing::ServerRoadTest;

class ProxyClientTest : public ServerRoadTest {
protected:
    ProxyClientTest()
    {
        server.loopback().server().Get("/picture.png",
            [](const httplib::Request&, httplib::Response& out) { out.set_content("downloaded-bytes", "image/png"); });
        server.loopback().server().Get("/missing.png", [](const httplib::Request&, httplib::Response& out) {
            out.status = 404;
            out.set_content("<html>not found</html>", "text/html");
        });
    }

    void answer(long status, std::string body)
    {
        server.proxyResponder = [status, body](const Json&, httplib::Response& out) {
            out.status = static_cast<int>(status);
            out.set_content(body, "application/json");
        };
    }

    OpenRouterProxyClient client { server.url(), context() };
};

TEST_F(ProxyClientTest, RequestsCarryTheTokenTheModelAndTheirContent)
{
    ASSERT_TRUE(client.generateImage("a lake", "openrouter/vendor/model", {}).ok());
    ASSERT_TRUE(client.editImage("one", "make it dusk", "OpenRouter/vendor/model", {}).ok());
    ASSERT_TRUE(client.editImage("first", "second", "compare", "vendor/model", {}).ok());

    const auto calls = server.proxyCalls();
    ASSERT_EQ(calls.size(), 3u);
    for (const auto& call : calls) {
        EXPECT_EQ(call.authorization, "Bearer token-1");
        EXPECT_EQ(call.body["modalities"], Json::array({ "image", "text" }));
        EXPECT_EQ(call.body["messages"].size(), 1u);
        EXPECT_EQ(call.body["messages"][0]["role"], "user");
        EXPECT_EQ(call.body.size(), 3u);
    }
    EXPECT_EQ(calls[0].body["model"], "vendor/model");
    EXPECT_EQ(calls[1].body["model"], "OpenRouter/vendor/model");
    EXPECT_EQ(calls[2].body["model"], "vendor/model");

    EXPECT_EQ(calls[0].body["messages"][0]["content"], "a lake");
    const Json one = calls[1].body["messages"][0]["content"];
    EXPECT_EQ(one, Json::parse(R"([{"type":"text","text":"make it dusk"},
        {"type":"image_url","image_url":{"url":"data:image/png;base64,b25l"}}])"));
    const Json two = calls[2].body["messages"][0]["content"];
    EXPECT_EQ(two, Json::parse(R"([{"type":"text","text":"compare"},
        {"type":"image_url","image_url":{"url":"data:image/png;base64,Zmlyc3Q=","detail":"high"}},
        {"type":"image_url","image_url":{"url":"data:image/png;base64,c2Vjb25k","detail":"high"}}])"));

    for (const auto& request : transport.requests()) {
        if (request.url.ends_with("/api/token")) continue;
        EXPECT_EQ(request.url, server.url() + "/api/proxy/chat/completions");
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.header("Content-Type"), "application/json");
    }
    EXPECT_EQ(server.tokenRequests(), 1);

    // Text that is not UTF-8 is still sent, with replacement characters.
    ASSERT_TRUE(client.generateImage(std::string("caf\xe9"), "m", {}).ok());
    EXPECT_EQ(server.proxyCalls().back().body["messages"][0]["content"], "caf\xef\xbf\xbd");
}

// Each request waits its own timeout for a silent server: the token request is not cut short by
// the exchange's short deadline, and the image request outlasts that deadline too.
TEST_F(ProxyClientTest, SilentServersAreGivenEachRequestsWholeTimeout)
{
    auto quick = context();
    quick.timeouts = { .token = 600ms, .prompts = 600ms, .proxy = 900ms, .shortDeadline = 100ms };

    server.holdToken = true;
    OpenRouterProxyClient noToken(server.url(), quick);
    const auto [tokenWait, tokenResult] = testing::timed([&] { return noToken.generateImage("a lake", "m", {}); });
    ASSERT_FALSE(tokenResult.ok());
    EXPECT_EQ(tokenResult.error(), GenerationFailure(HttpError { HttpError::Kind::timedOut }));
    EXPECT_GE(tokenWait, 550ms);
    EXPECT_TRUE(server.proxyCalls().empty());

    FakeProductServer silentProxy;
    silentProxy.holdProxy = [](const std::string&) { return true; };
    OpenRouterProxyClient noImage(silentProxy.url(), quick);
    const auto [imageWait, imageResult] = testing::timed([&] { return noImage.generateImage("a lake", "m", {}); });
    ASSERT_FALSE(imageResult.ok());
    EXPECT_EQ(imageResult.error(), GenerationFailure(HttpError { HttpError::Kind::timedOut }));
    EXPECT_GE(imageWait, 850ms);
    EXPECT_LT(imageWait, 20s);
}

TEST_F(ProxyClientTest, ARejectedTokenIsReplacedOnceAndOnlyOnce)
{
    ASSERT_TRUE(client.generateImage("warm up", "m", {}).ok());
    server.revokeTokens();
    const auto retried = client.generateImage("after revoke", "m", {});
    ASSERT_TRUE(retried.ok()) << describe(retried.error());
    EXPECT_EQ(server.tokenRequests(), 2);
    auto calls = server.proxyCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].authorization, "Bearer token-1");
    EXPECT_EQ(calls[2].authorization, "Bearer token-2");
    EXPECT_TRUE(log.contains("⚠️  Token expired, retrying with fresh token..."));

    answer(401, "{}");
    const auto rejected = client.generateImage("always rejected", "m", {});
    ASSERT_FALSE(rejected.ok());
    EXPECT_EQ(describe(rejected.error()), "Unauthorized - token expired");
    EXPECT_EQ(server.proxyCalls().size(), 5u);
    EXPECT_EQ(server.tokenRequests(), 3);
}

TEST_F(ProxyClientTest, ServerFailuresKeepTheirStatusAndText)
{
    const struct {
        long status;
        std::string body;
        std::string expected;
    } cases[] = {
        { 500, "boom", "Server error 500: boom" },
        { 429, std::string("\xff\xfe", 2), "Server error 429: No error details" },
        { 201, "{}", "Server error 201: {}" },
        { 200, "not json", "Invalid image response from server" },
        { 200, "[1,2]", "Invalid image response from server" },
        { 200, R"({"choices":[]})", "Invalid image response from server" },
        { 200, R"({"choices":[{"message":{}}]})", "Invalid image response from server" },
    };
    for (const auto& entry : cases) {
        answer(entry.status, entry.body);
        const auto result = client.generateImage("p", "m", {});
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(describe(result.error()), entry.expected);
    }
    EXPECT_TRUE(log.contains("❌ Proxy error (500): boom"));
    EXPECT_TRUE(log.contains("❌ Missing choices or message in response"));
    EXPECT_TRUE(log.anyStartsWith("📄 Response structure:\n{"));

    // A reply that echoes the client's own token quotes it scrubbed.
    OpenRouterProxyClient fresh { server.url(), context() };
    answer(502, "upstream refused token-" + std::to_string(server.tokenRequests() + 1) + "!");
    const auto echoed = fresh.generateImage("p", "m", {});
    ASSERT_FALSE(echoed.ok());
    EXPECT_EQ(describe(echoed.error()), "Server error 502: upstream refused REDACTED!");
    EXPECT_TRUE(log.contains("❌ Proxy error (502): upstream refused REDACTED!"));
}

TEST_F(ProxyClientTest, HostileRepliesCostLittleAndSayLittle)
{
    const std::string good = FakeProductServer::chatReplyWithImageURL("data:image/png;base64,b25l").dump();
    answer(200, good);
    ASSERT_TRUE(client.generateImage("p", "m", {}).ok());
    std::string padded = good;
    padded.insert(1, R"("pad":)" + std::string(100, '[') + std::string(100, ']') + ",");

    const struct {
        const char* name;
        long status;
        std::string body;
    } cases[] = {
        { "deep nesting around a good image", 200, padded },
        { "unclosed nesting", 200, std::string(4'000'000, '[') },
        { "huge error page", 500, std::string(5'000'000, 'e') },
    };
    for (const auto& c : cases) {
        answer(c.status, c.body);
        const auto result = client.generateImage("p", "m", {});
        ASSERT_FALSE(result.ok()) << c.name;
        const std::string text = describe(result.error());
        if (c.status == 200) {
            EXPECT_EQ(text, "Invalid image response from server") << c.name;
        } else {
            EXPECT_EQ(text, "Server error 500: " + std::string(4096, 'e') + "… (cut)") << c.name;
        }
    }
}

TEST_F(ProxyClientTest, ImageSourcesAreTriedInTurn)
{
    const std::string good = "data:image/png;base64," + base64::encode("from-data-url");
    const std::string picture = server.url() + "/picture.png";
    const auto message = [](Json body) { return Json { { "choices", Json::array({ { { "message", body } } }) } }; };
    const auto images = [](Json entry) { return Json { { "images", Json::array({ entry }) } }; };
    const struct {
        const char* name;
        Json reply;
        std::optional<std::string> bytes;
    } cases[] = {
        { "data address", message(images({ { "image_url", { { "url", good } } } })), "from-data-url" },
        { "data address wins over b64_json",
            message(images({ { "image_url", { { "url", good } } }, { "b64_json", base64::encode("other") } })),
            "from-data-url" },
        { "empty data payload falls to b64_json",
            message(images({ { "image_url", { { "url", "data:image/png;base64," } } }, { "b64_json", "YjY0" } })),
            "b64" },
        { "bad base64 falls to b64_json",
            message(images({ { "image_url", { { "url", "data:image/png;base64,@@@" } } }, { "b64_json", "YjY0" } })),
            "b64" },
        { "web address downloaded", message(images({ { "image_url", { { "url", picture } } } })), "downloaded-bytes" },
        { "empty b64_json is no image", message(images({ { "b64_json", "" } })), std::nullopt },
        { "content address downloaded", message({ { "content", picture } }), "downloaded-bytes" },
        { "prose content is not", message({ { "content", "Here is your image!" } }), std::nullopt },
        { "file content is not", message({ { "content", "file:///etc/passwd" } }), std::nullopt },
        { "data[].url downloaded",
            Json { { "choices", Json::array({ { { "message", { { "content", "no" } } } } }) },
                { "data", Json::array({ { { "url", picture } } }) } },
            "downloaded-bytes" },
        { "error page download is no image",
            message(images({ { "image_url", { { "url", server.url() + "/missing.png" } } } })), std::nullopt },
    };
    for (const auto& entry : cases) {
        answer(200, entry.reply.dump());
        const auto result = client.generateImage("p", "m", {});
        if (entry.bytes) {
            ASSERT_TRUE(result.ok()) << entry.name << ": " << describe(result.error());
            EXPECT_EQ(result.value(), *entry.bytes) << entry.name;
        } else {
            ASSERT_FALSE(result.ok()) << entry.name;
            EXPECT_EQ(describe(result.error()), "Invalid image response from server") << entry.name;
        }
    }
    EXPECT_TRUE(log.contains("✅ Extracted image from message.images[].b64_json"));
    EXPECT_TRUE(log.contains("📝 Message content: Here is your image!..."));
    EXPECT_TRUE(log.contains("❌ Could not extract image from any known format"));
}

TEST_F(ProxyClientTest, AnInvalidAddressSendsNothing)
{
    OpenRouterProxyClient broken("no address", context());
    const auto result = broken.generateImage("p", "m", {});
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(describe(result.error()), "Invalid server URL");
    EXPECT_TRUE(transport.requests().empty());
}

} // namespace
} // namespace tl
