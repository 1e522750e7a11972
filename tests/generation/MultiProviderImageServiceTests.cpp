#include "generation/Base64.h"
#include "generation/ProviderFixture.h"

namespace tl {
namespace {

using Json = nlohmann::json;

TEST(ProviderRouting, TheModelIdentifierChoosesTheClient)
{
    const struct {
        const char* model;
        std::optional<ImageProvider> provider;
    } cases[] = {
        { "OpenAI/image-model", ImageProvider::openAI },
        { "  openai/image-model\n", ImageProvider::openAI },
        { "openai/gemini-model", ImageProvider::openAI },
        { "google/any-model", ImageProvider::gemini },
        { "my-gemini-model", ImageProvider::gemini },
        { "openrouter/google/gemini-model", ImageProvider::gemini },
        { "openrouter/openai/image-model", ImageProvider::openRouter },
        { "image-model", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto& entry : cases)
        EXPECT_EQ(MultiProviderImageService::provider(entry.model), entry.provider) << entry.model;
}

class RouterTest : public testing::ProviderTest {
protected:
    RouterTest()
    {
        const auto encoded = base64::encode(testing::picture("img"));
        const std::string image = R"({"data":[{"b64_json":")" + encoded + R"("}]})";
        server.reply("/v1/images/generations", { 200, image });
        server.reply("/api/v1/images/generations", { 200, image });
        const std::string candidate
            = R"({"candidates":[{"content":{"parts":[{"inlineData":{"data":")" + encoded + R"("}}]}}]})";
        server.reply("/v1beta/models/image-model:generateContent", { 200, candidate });
        server.reply("/v1beta/models/:generateContent", { 200, candidate });
        server.reply("/v1beta/models/gemini-2.5-flash-image:generateContent", { 200, candidate });
    }

    // Which endpoint the call reached, or its failure.
    std::string route(const std::string& model, bool withOpenRouter = true)
    {
        MultiProviderImageService router(openAI(), gemini(), withOpenRouter ? openRouter() : nullptr);
        const auto before = server.received().size();
        const auto result = router.generateImage("p", model, "16:9", std::nullopt, std::nullopt, "1024x576", {});
        if (!result.ok()) return describe(result.error());
        const auto received = server.received();
        return received.size() > before ? received.back().path : "nothing sent";
    }
};

TEST_F(RouterTest, AutomaticChoiceFollowsTheKeysInFixedOrder)
{
    useEnvironment({ { "GEMINI_API_KEY", "g" } });
    EXPECT_EQ(route("image-model"), "/v1beta/models/image-model:generateContent");
    EXPECT_EQ(route(""), "/v1beta/models/:generateContent");

    useEnvironment({ { "OPENAI_API_KEY", "o" }, { "OPENROUTER_API_KEY", "r" } });
    EXPECT_EQ(route("image-model"), "/v1/images/generations");

    useEnvironment({ { "OPENROUTER_API_KEY", "r" } });
    EXPECT_EQ(route("image-model"), "/api/v1/images/generations");
    EXPECT_EQ(route("image-model", false), "Missing API key");

    useEnvironment({ { "OPENAI_API_KEY", "" }, { "GEMINI_API_KEY", "g" } });
    EXPECT_EQ(route("image-model"), "Missing API key");
    EXPECT_TRUE(MultiProviderImageService(openAI(), gemini(), nullptr).isConfigured());
}

TEST_F(RouterTest, AGeminiModelBehindAProviderPathIsSentByItsBareName)
{
    useEnvironment({ { "GEMINI_API_KEY", "g" } });
    for (const char* model : { "openrouter/google/gemini-2.5-flash-image", "google/gemini-2.5-flash-image" })
        EXPECT_EQ(route(model), "/v1beta/models/gemini-2.5-flash-image:generateContent") << model;
}

TEST_F(RouterTest, AnExplicitChoiceNeverFallsBack)
{
    useEnvironment({ { "GEMINI_API_KEY", "g" } });
    EXPECT_EQ(route("openai/image-model"), "Missing API key");
    EXPECT_EQ(route("openrouter/image-model"), "Missing API key");
    useEnvironment({ { "OPENROUTER_API_KEY", "r" } });
    EXPECT_EQ(route("openrouter/image-model"), "/api/v1/images/generations");
    EXPECT_EQ(route("openrouter/image-model", false), "Missing API key");
    EXPECT_FALSE(MultiProviderImageService(openAI(), gemini(), nullptr).isConfigured());
    EXPECT_TRUE(MultiProviderImageService(openAI(), gemini(), openRouter()).isConfigured());
    useEnvironment({});
    EXPECT_FALSE(MultiProviderImageService(openAI(), gemini(), openRouter()).isConfigured());
}

// The real Gemini client, remembering what the router hands it before it sends anything.
class RecordingGemini final : public GeminiImageEditService {
public:
    using GeminiImageEditService::GeminiImageEditService;

    struct Call {
        std::string prompt, model, aspectRatio;
        std::optional<std::string> inputImage, systemPrompt, size;
    };

    GenerationResult<GeneratedImage> generateImage(const std::string& prompt, const std::string& model,
        const std::string& aspectRatio, const std::optional<std::string>& inputImage,
        const std::optional<std::string>& systemPrompt, const std::optional<std::string>& size,
        std::stop_token stop) override
    {
        calls.push_back({ prompt, model, aspectRatio, inputImage, systemPrompt, size });
        return GeminiImageEditService::generateImage(
            prompt, model, aspectRatio, inputImage, systemPrompt, size, std::move(stop));
    }

    std::vector<Call> calls;
};

TEST_F(RouterTest, OpenAIAndOpenRouterGetEveryArgumentAndGeminiNeitherShapeNorSize)
{
    EXPECT_EQ(route("openai/image-model"), "/v1/images/generations");
    EXPECT_EQ(lastJsonBody()["size"], "1536x1024");
    EXPECT_EQ(lastJsonBody()["model"], "image-model");
    EXPECT_EQ(route("openrouter/image-model"), "/api/v1/images/generations");
    EXPECT_EQ(lastJsonBody()["size"], "16:9");

    auto gemini
        = std::make_shared<RecordingGemini>(std::make_shared<EnvironmentAPIKeyProvider>("GEMINI_API_KEY", environment),
            transport, server.url("/v1beta/models"), AINetworkLog(environment));
    MultiProviderImageService router(openAI(), gemini, openRouter());
    for (const char* model : { "google/image-model", " My-Gemini-Model " }) {
        // What the service answers does not matter here, only what it was handed.
        (void)router.generateImage("p", model, "16:9", "input", "system", "1024x576", {});
        ASSERT_FALSE(gemini->calls.empty()) << model;
        const auto& call = gemini->calls.back();
        EXPECT_EQ(call.model, model);
        EXPECT_EQ(call.prompt, "p");
        EXPECT_EQ(call.inputImage, "input");
        EXPECT_EQ(call.systemPrompt, "system");
        EXPECT_EQ(call.aspectRatio, "");
        EXPECT_EQ(call.size, std::nullopt);
    }
    EXPECT_EQ(gemini->calls.size(), 2u);
}

} // namespace
} // namespace tl
