#pragma once

#include "support/LoopbackServer.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace tl::testing {

// The product's API server on 127.0.0.1: tokens, prompt templates and the image proxy. Tests
// change its behaviour through the public fields before sending requests; it records what it
// received. Images are made by `imageFor` from the request's prompt text.
class FakeProductServer {
public:
    struct ProxyCall {
        std::string authorization;
        nlohmann::json body;
    };

    explicit FakeProductServer(int port = 0);

    std::string url() const { return loopback_.url(); }
    LoopbackServer& loopback() { return loopback_; }

    // Token endpoint.
    long tokenStatus = 200;
    std::int64_t tokenLifetime = 3600;
    std::chrono::milliseconds tokenDelay { 0 };
    // Token requests hang, unanswered, until the server is destroyed.
    bool holdToken = false;
    // When set, sent as the token reply's body instead of a fresh token.
    std::optional<std::string> tokenBody;
    // Makes every token issued so far unacceptable to the proxy.
    void revokeTokens();

    // Prompt template endpoint.
    long promptsStatus = 200;
    std::string promptsBody = defaultPromptsBody("server");

    // Proxy endpoint: by default answers with a data address holding imageFor(prompt text).
    std::function<std::string(const std::string& promptText)> imageFor
        = [](const std::string& promptText) { return "IMG:" + promptText; };
    std::function<void(const nlohmann::json& body, httplib::Response& reply)> proxyResponder;
    std::function<std::chrono::milliseconds(const std::string& promptText)> proxyDelay;
    // Requests for which this answers true hang until the server is destroyed.
    std::function<bool(const std::string& promptText)> holdProxy;

    int tokenRequests() const { return tokenRequests_; }
    int promptRequests() const { return promptRequests_; }
    int largestProxyConcurrency() const { return largestInFlight_; }
    std::vector<nlohmann::json> tokenBodies() const;
    std::vector<ProxyCall> proxyCalls() const;

    static std::string defaultPromptsBody(const std::string& version);
    // The text part of a proxy request's user message.
    static std::string promptText(const nlohmann::json& body);
    static nlohmann::json chatReplyWithImageURL(const std::string& url);

private:
    void answerToken(const httplib::Request& request, httplib::Response& reply);
    void answerProxy(const httplib::Request& request, httplib::Response& reply);

    mutable std::mutex mutex_;
    std::set<std::string> validTokens_;
    std::vector<nlohmann::json> tokenBodies_;
    std::vector<ProxyCall> proxyCalls_;
    std::atomic<int> tokenRequests_ { 0 };
    std::atomic<int> promptRequests_ { 0 };
    std::atomic<int> inFlight_ { 0 };
    std::atomic<int> largestInFlight_ { 0 };
    // Declared last so it is stopped first: a held request let go at teardown still writes into
    // the members above.
    LoopbackServer loopback_;
};

} // namespace tl::testing
