#pragma once

#include "generation/MultiProviderImageService.h"
#include "generation/fakes/FakeProviderServer.h"
#include "platform/http/CurlTransport.h"
#include "support/LogRecorder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tl::testing {

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
        return result.ok() ? "bytes:" + result.value().data : describe(result.error());
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
