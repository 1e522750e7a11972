#include "platform/http/CurlTransport.h"

#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace tl {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class CurlTransportTest : public ::testing::Test {
protected:
    HttpRequest request(const std::string& path, std::chrono::milliseconds timeout = 5s)
    {
        HttpRequest request;
        request.url = server.url(path);
        request.timeout = timeout;
        return request;
    }

    testing::LoopbackServer server;
    CurlTransport transport;
    std::atomic<int> requestsSeen { 0 };
};

std::string everyByteValue(int repeats)
{
    std::string bytes;
    for (int round = 0; round < repeats; ++round)
        for (int value = 0; value < 256; ++value)
            bytes.push_back(static_cast<char>(value));
    return bytes;
}

TEST_F(CurlTransportTest, BinaryBodiesAndHeadersRoundTrip)
{
    server.server().Post("/echo", [](const httplib::Request& in, httplib::Response& out) {
        out.set_header("X-Seen-Token", in.get_header_value("Authorization"));
        out.set_content(in.body, "application/octet-stream");
    });
    auto sent = request("/echo");
    sent.method = "POST";
    sent.body = everyByteValue(4096);
    sent.setHeader("Authorization", "Bearer abc");

    const auto result = transport.send(sent, {});

    ASSERT_TRUE(result.ok()) << result.error().description();
    EXPECT_EQ(result.value().status, 200);
    EXPECT_TRUE(result.value().body == sent.body) << "body of " << result.value().body.size() << " bytes differs";
    EXPECT_EQ(result.value().header("x-seen-token"), "Bearer abc");
}

TEST_F(CurlTransportTest, StatusCodesAreResponsesNotErrors)
{
    server.server().Get("/missing", [](const httplib::Request&, httplib::Response& out) {
        out.status = 404;
        out.set_content("<html>gone</html>", "text/html");
    });
    const auto result = transport.send(request("/missing"), {});
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value().status, 404);
    EXPECT_FALSE(result.value().succeeded());
    EXPECT_EQ(result.value().body, "<html>gone</html>");
}

TEST_F(CurlTransportTest, IdleTimeoutFiresWhenNothingMoves)
{
    server.server().Get("/hang", [this](const httplib::Request&, httplib::Response&) { server.waitAtGate(); });
    const auto started = Clock::now();
    const auto result = transport.send(request("/hang", 200ms), {});
    const auto elapsed = Clock::now() - started;

    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, HttpError::Kind::timedOut);
    EXPECT_GE(elapsed, 200ms);
    EXPECT_LT(elapsed, 1500ms);
}

TEST_F(CurlTransportTest, SlowSteadyStreamIsNotCutOff)
{
    constexpr int kChunks = 8;
    server.server().Get("/trickle", [](const httplib::Request&, httplib::Response& out) {
        out.set_chunked_content_provider("application/octet-stream", [](std::size_t offset, httplib::DataSink& sink) {
            if (offset >= kChunks) {
                sink.done();
                return true;
            }
            std::this_thread::sleep_for(100ms);
            return sink.write("x", 1);
        });
    });
    // The whole transfer takes longer than the idle limit, but bytes keep moving.
    const auto result = transport.send(request("/trickle", 400ms), {});
    ASSERT_TRUE(result.ok()) << result.error().description();
    EXPECT_EQ(result.value().body, std::string(kChunks, 'x'));
}

TEST_F(CurlTransportTest, TricklingAndEndlessRepliesTimeOut)
{
    // Each reply would take 12 seconds; the client must give up long before.
    const auto stream = [](std::size_t chunk, std::chrono::milliseconds pause) {
        return [chunk, pause](const httplib::Request&, httplib::Response& out) {
            out.set_chunked_content_provider("application/octet-stream",
                [chunk, pause, end = Clock::now() + 12s](std::size_t, httplib::DataSink& sink) {
                    if (Clock::now() > end) {
                        sink.done();
                        return true;
                    }
                    std::this_thread::sleep_for(pause);
                    return sink.write(std::string(chunk, 'x').data(), chunk);
                });
        };
    };
    server.server().Get("/trickle", stream(1, 300ms));
    server.server().Get("/endless", stream(4096, 20ms));

    auto endless = request("/endless", 1s);
    endless.deadline = 1500ms;
    for (const auto& [name, sent] :
        { std::pair { "trickle", request("/trickle", 1s) }, std::pair { "endless", endless } }) {
        const auto started = Clock::now();
        const auto result = transport.send(sent, {});
        ASSERT_FALSE(result.ok()) << name;
        EXPECT_EQ(result.error().kind, HttpError::Kind::timedOut) << name;
        EXPECT_EQ(result.error().description(), "The request timed out.") << name;
        EXPECT_LT(Clock::now() - started, 6s) << name;
    }
}

TEST_F(CurlTransportTest, StopEndsABlockedRequestAtOnce)
{
    server.server().Get("/hang", [this](const httplib::Request&, httplib::Response&) {
        ++requestsSeen;
        server.waitAtGate();
    });
    std::stop_source stop;
    auto pending
        = std::async(std::launch::async, [&] { return transport.send(request("/hang", 30s), stop.get_token()); });
    while (requestsSeen == 0)
        std::this_thread::sleep_for(5ms);

    const auto stoppedAt = Clock::now();
    stop.request_stop();
    const auto result = pending.get();

    EXPECT_LT(Clock::now() - stoppedAt, 200ms);
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.error().isCancellation());
}

TEST_F(CurlTransportTest, RefusedBeforeConnecting)
{
    server.server().Get("/count", [this](const httplib::Request&, httplib::Response&) { ++requestsSeen; });
    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_EQ(transport.send(request("/count"), stopped.get_token()).error().kind, HttpError::Kind::cancelled);

    using namespace std::string_literals;
    for (const std::string& bad : { "a\r\nInjected: b"s, "line\nfeed"s, "nul\0byte"s }) {
        auto withHeader = request("/count");
        withHeader.headers.push_back({ "X-Test", bad });
        EXPECT_EQ(transport.send(withHeader, {}).error().kind, HttpError::Kind::invalidHeader) << bad.size();
    }
    auto badName = request("/count");
    badName.headers.push_back({ "X-Bad\r\nName", "value" });
    EXPECT_EQ(transport.send(badName, {}).error().kind, HttpError::Kind::invalidHeader);

    for (const char* address : { "file:///etc/passwd", "data:text/plain,hi", "ftp://127.0.0.1/", "/relative", "" }) {
        HttpRequest local;
        local.url = address;
        EXPECT_EQ(transport.send(local, {}).error().kind, HttpError::Kind::invalidURL) << address;
    }
    EXPECT_EQ(requestsSeen, 0);
}

TEST_F(CurlTransportTest, RefusedConnectionIsReported)
{
    int closedPort = 0;
    {
        testing::LoopbackServer gone;
        closedPort = gone.port();
    }
    HttpRequest toNowhere;
    toNowhere.url = "http://127.0.0.1:" + std::to_string(closedPort) + "/";
    const auto result = transport.send(toNowhere, {});
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, HttpError::Kind::cannotConnect);
}

TEST_F(CurlTransportTest, RedirectsKeepOnlyTheFinalHeadersAndStayOnTheWeb)
{
    server.server().Get("/first", [](const httplib::Request&, httplib::Response& out) {
        out.set_header("X-First", "1");
        out.set_redirect("/final");
    });
    server.server().Get("/final", [](const httplib::Request&, httplib::Response& out) {
        out.set_header("X-Final", "1");
        out.set_content("done", "text/plain");
    });
    server.server().Get(
        "/to-file", [](const httplib::Request&, httplib::Response& out) { out.set_redirect("file:///etc/passwd"); });

    const auto followed = transport.send(request("/first"), {});
    ASSERT_TRUE(followed.ok());
    EXPECT_EQ(followed.value().status, 200);
    EXPECT_EQ(followed.value().body, "done");
    EXPECT_TRUE(followed.value().header("X-Final"));
    EXPECT_FALSE(followed.value().header("X-First"));

    const auto escaped = transport.send(request("/to-file"), {});
    ASSERT_FALSE(escaped.ok());
    EXPECT_EQ(escaped.error().kind, HttpError::Kind::invalidURL);
}

TEST_F(CurlTransportTest, CompressedRepliesArriveDecoded)
{
    std::string json = "[";
    for (int i = 0; i < 5000; ++i)
        json += "{\"index\":" + std::to_string(i) + "},";
    json += "0]";
    server.server().Get(
        "/json", [&](const httplib::Request&, httplib::Response& out) { out.set_content(json, "application/json"); });
    const auto result = transport.send(request("/json"), {});
    ASSERT_TRUE(result.ok());
    EXPECT_TRUE(result.value().header("Content-Encoding"));
    EXPECT_TRUE(result.value().body == json);
}

TEST_F(CurlTransportTest, OversizedRepliesAreRefused)
{
    server.server().Get("/big", [](const httplib::Request&, httplib::Response& out) {
        out.set_content(std::string(5000, 'b'), "application/octet-stream");
    });
    server.server().Get("/big-stream", [](const httplib::Request&, httplib::Response& out) {
        out.set_chunked_content_provider("application/octet-stream", [](std::size_t offset, httplib::DataSink& sink) {
            if (offset >= 5000) {
                sink.done();
                return true;
            }
            return sink.write(std::string(500, 's').data(), 500);
        });
    });
    CurlTransport small(CurlTransport::Options { .defaultTimeout = 5s, .maximumBodySize = 1000 });
    for (const char* path : { "/big", "/big-stream" }) {
        const auto result = small.send(request(path), {});
        ASSERT_FALSE(result.ok()) << path;
        EXPECT_EQ(result.error().kind, HttpError::Kind::tooLarge) << path;
    }
}

TEST(HttpError, TextsNeverNameTheAddress)
{
    using Kind = HttpError::Kind;
    for (Kind kind : { Kind::cancelled, Kind::invalidURL, Kind::invalidHeader, Kind::cannotConnect, Kind::timedOut,
             Kind::tooLarge, Kind::tooManyRedirects, Kind::secureConnectionFailed, Kind::connectionLost }) {
        const std::string text = HttpError { kind }.description();
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find("http"), std::string::npos) << text;
        EXPECT_EQ(HttpError { kind }.isCancellation(), kind == Kind::cancelled);
    }
}

} // namespace
} // namespace tl
