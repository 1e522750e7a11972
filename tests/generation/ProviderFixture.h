#pragma once

#include "generation/MultiProviderImageService.h"
#include "generation/fakes/FakeProviderServer.h"
#include "platform/http/CurlTransport.h"
#include "support/LogRecorder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tl::testing {

// Bytes that start as a PNG file does, followed by `tail`.
inline std::string picture(std::string_view tail)
{
    return std::string("\x89PNG\r\n\x1a\n", 8) + std::string(tail);
}

// The three public clients aimed at one fake provider server, with keys from a fixed environment.
class ProviderTest : public ::testing::Test {
protected:
    using Variables = std::map<std::string, std::string, std::less<>>;

    void useEnvironment(Variables variables) { environment = FixedEnvironment(std::move(variables)); }

    std::shared_ptr<OpenAIImageEditService> openAI()
    {
        return std::make_shared<OpenAIImageEditService>(key("OPENAI_API_KEY"), transport,
            server.url("/v1/images/generations"), server.url("/v1/images/edits"), AINetworkLog(environment));
    }
    std::shared_ptr<GeminiImageEditService> gemini()
    {
        return std::make_shared<GeminiImageEditService>(
            key("GEMINI_API_KEY"), transport, server.url("/v1beta/models"), AINetworkLog(environment));
    }
    std::shared_ptr<OpenRouterImageService> openRouter()
    {
        return std::make_shared<OpenRouterImageService>(key("OPENROUTER_API_KEY"), transport,
            server.url("/api/v1/images/generations"), server.url("/api/v1/chat/completions"),
            AINetworkLog(environment));
    }

    // The body of the last request the server received, as JSON.
    nlohmann::json lastJsonBody() const { return nlohmann::json::parse(server.received().back().body); }

    static std::string text(const GenerationResult<GeneratedImage>& result)
    {
        if (!result.ok()) return describe(result.error());
        const std::string head = picture("");
        const auto& data = result.value().data;
        return "bytes:" + (data.starts_with(head) ? data.substr(head.size()) : data);
    }

    FakeProviderServer server;
    CurlTransport transport;
    FixedEnvironment environment { Variables {
        { "OPENAI_API_KEY", "sk-open" }, { "GEMINI_API_KEY", "g-secret" }, { "OPENROUTER_API_KEY", "or-key" } } };
    LogRecorder log;

private:
    std::shared_ptr<const APIKeyProvider> key(const char* name)
    {
        return std::make_shared<EnvironmentAPIKeyProvider>(name, environment);
    }
};

} // namespace tl::testing
