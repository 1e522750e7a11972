#include "generation/fakes/FakeProductServer.h"

#include "generation/Base64.h"

#include <thread>

namespace tl::testing {

using Json = nlohmann::json;

FakeProductServer::FakeProductServer(int port)
    : loopback_(port)
{
    auto& server = loopback_.server();
    server.Post("/api/token", [this](const httplib::Request& in, httplib::Response& out) { answerToken(in, out); });
    server.Get("/api/prompts", [this](const httplib::Request&, httplib::Response& out) {
        ++promptRequests_;
        out.status = static_cast<int>(promptsStatus);
        out.set_content(promptsBody, "application/json");
    });
    server.Post("/api/proxy/chat/completions",
        [this](const httplib::Request& in, httplib::Response& out) { answerProxy(in, out); });
}

void FakeProductServer::revokeTokens()
{
    const std::lock_guard lock(mutex_);
    validTokens_.clear();
}

std::vector<Json> FakeProductServer::tokenBodies() const
{
    const std::lock_guard lock(mutex_);
    return tokenBodies_;
}

std::vector<FakeProductServer::ProxyCall> FakeProductServer::proxyCalls() const
{
    const std::lock_guard lock(mutex_);
    return proxyCalls_;
}

void FakeProductServer::answerToken(const httplib::Request& request, httplib::Response& reply)
{
    const int number = ++tokenRequests_;
    std::this_thread::sleep_for(tokenDelay);
    if (holdToken) loopback_.waitAtGate();
    const std::string token = "token-" + std::to_string(number);
    {
        const std::lock_guard lock(mutex_);
        tokenBodies_.push_back(Json::parse(request.body, nullptr, false));
        validTokens_.insert(token);
    }
    reply.status = static_cast<int>(tokenStatus);
    reply.set_content(
        tokenBody.value_or(Json { { "token", token }, { "expiresIn", tokenLifetime } }.dump()), "application/json");
}

void FakeProductServer::answerProxy(const httplib::Request& request, httplib::Response& reply)
{
    const int running = ++inFlight_;
    for (int largest = largestInFlight_;
         running > largest && !largestInFlight_.compare_exchange_weak(largest, running);) { }
    const Json body = Json::parse(request.body, nullptr, false);
    const std::string authorization = request.get_header_value("Authorization");
    bool accepted = false;
    {
        const std::lock_guard lock(mutex_);
        proxyCalls_.push_back({ authorization, body });
        accepted = authorization.starts_with("Bearer ") && validTokens_.contains(authorization.substr(7));
    }
    if (proxyDelay) std::this_thread::sleep_for(proxyDelay(promptText(body)));
    if (holdProxy && holdProxy(promptText(body))) loopback_.waitAtGate();
    if (!accepted) {
        reply.status = 401;
        reply.set_content("{\"error\":\"invalid token\"}", "application/json");
    } else if (proxyResponder) {
        proxyResponder(body, reply);
    } else {
        const std::string url = "data:image/png;base64," + base64::encode(imageFor(promptText(body)));
        reply.set_content(chatReplyWithImageURL(url).dump(), "application/json");
    }
    --inFlight_;
}

std::string FakeProductServer::defaultPromptsBody(const std::string& version)
{
    return Json {
        { "version", version },
        { "updated", "2026-01-01" },
        { "templates", { { "original", "Scene: {userPrompt}" }, { "relight", "Relight: {phaseDescription}" } } },
    }
        .dump();
}

std::string FakeProductServer::promptText(const Json& body)
{
    if (!body.is_object() || !body.contains("messages")) return {};
    const Json& content = body["messages"][0]["content"];
    if (content.is_string()) return content.get<std::string>();
    for (const Json& part : content)
        if (part.value("type", "") == "text") return part.value("text", "");
    return {};
}

Json FakeProductServer::chatReplyWithImageURL(const std::string& url)
{
    return { { "choices",
        Json::array({ { { "message",
            { { "role", "assistant" },
                { "images", Json::array({ { { "image_url", { { "url", url } } } } }) } } } } }) } };
}

} // namespace tl::testing
