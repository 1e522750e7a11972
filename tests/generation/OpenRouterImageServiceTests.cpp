#include "generation/Base64.h"
#include "generation/ProviderFixture.h"

namespace tl {
namespace {

using Json = nlohmann::json;

constexpr const char* kImages = "/api/v1/images/generations";
constexpr const char* kChat = "/api/v1/chat/completions";

class OpenRouterClientTest : public testing::ProviderTest {
protected:
    GenerationResult<GeneratedImage> generate(const std::string& model, std::optional<std::string> input = std::nullopt,
        std::optional<std::string> system = std::nullopt, std::optional<std::string> size = std::nullopt)
    {
        return openRouter()->generateImage("a lake", model, "16:9", input, system, size, {});
    }

    static std::string chatReply(const std::string& url)
    {
        return Json {
            { "choices",
                Json::array(
                    { { { "message", { { "images", Json::array({ { { "image_url", { { "url", url } } } } }) } } } } }) }
        }.dump();
    }

    std::vector<std::string> paths() const
    {
        std::vector<std::string> all;
        for (const auto& request : server.received())
            all.push_back(request.path);
        return all;
    }
};

TEST(OpenRouterRules, ChatModelsAndDataAddresses)
{
    for (const char* chat :
        { "google/any-model", "any-gemini-model", "openai/gpt-image-model", "gpt-image-model", " GPT-4o " })
        EXPECT_TRUE(OpenRouterImageService::modelNeedsChat(chat)) << chat;
    for (const char* images : { "openai/other-model", "vendor/image-model", "gpt", "" })
        EXPECT_FALSE(OpenRouterImageService::modelNeedsChat(images)) << images;

    const struct {
        std::string text;
        std::optional<std::string> bytes;
        std::optional<std::string> mediaType;
    } cases[] = {
        { "data:image/png;base64," + base64::encode(testing::picture("png")), testing::picture("png"), "image/png" },
        { "data:;base64," + base64::encode(testing::picture("x")), testing::picture("x"), std::nullopt },
        { "data:image/jpeg;base64," + base64::encode("\xff\xd8\xffx").insert(6, "\n"), "\xff\xd8\xffx", "image/jpeg" },
        { "data:image/png," + base64::encode("x"), std::nullopt, std::nullopt },
        { "data:image/png;base64", std::nullopt, std::nullopt },
        { "data:image/png;base64,", std::nullopt, std::nullopt },
        { "DATA:image/png;base64,eA==", std::nullopt, std::nullopt },
        { "https://example.com/a.png", std::nullopt, std::nullopt },
    };
    for (const auto& entry : cases) {
        const auto decoded = OpenRouterImageService::decodeDataURL(entry.text);
        EXPECT_EQ(decoded.has_value(), entry.bytes.has_value()) << entry.text;
        if (decoded && entry.bytes) {
            EXPECT_EQ(decoded->bytes, *entry.bytes);
            EXPECT_EQ(decoded->mediaType, entry.mediaType);
        }
    }
}

TEST_F(OpenRouterClientTest, ImageRoadSendsTheAspectRatioAsSizeAndNothingElse)
{
    server.reply(kImages,
        { 200,
            R"({"data":[{"b64_json":")" + base64::encode(testing::picture("img"))
                + R"(","content_type":"image/png"}]})" });
    for (const char* model : { "openrouter/vendor/image-model", "OpenRouter/vendor/image-model" }) {
        const auto result = generate(model, std::nullopt, "ignored system", "1024x576");
        ASSERT_TRUE(result.ok()) << text(result);
        EXPECT_EQ(result.value(), (GeneratedImage { testing::picture("img"), "image/png" }));
        const auto request = server.received().back();
        EXPECT_EQ(request.path, kImages);
        EXPECT_EQ(request.headers.at("Authorization"), "Bearer or-key");
        EXPECT_EQ(request.headers.at("X-Title"), "Tidelumine AI");
        EXPECT_EQ(Json::parse(request.body),
            (Json { { "model", "vendor/image-model" }, { "prompt", "a lake" }, { "n", 1 }, { "size", "16:9" },
                { "response_format", "b64_json" } }));
    }
    ASSERT_TRUE(generate("openrouter/openrouter/x").ok());
    EXPECT_EQ(lastJsonBody()["model"], "openrouter/x");
}

TEST_F(OpenRouterClientTest, MissingImageEndpointFallsBackToChatOnce)
{
    server.reply(kImages, { 404, "not here" });
    server.reply(kChat, { 200, chatReply("data:image/png;base64," + base64::encode(testing::picture("chat"))) });
    const auto result = generate("vendor/image-model", std::nullopt, std::nullopt, "1024x576");
    ASSERT_TRUE(result.ok()) << text(result);
    EXPECT_EQ(result.value(), (GeneratedImage { testing::picture("chat"), "image/png" }));
    EXPECT_EQ(paths(), (std::vector<std::string> { kImages, kChat }));
    EXPECT_EQ(lastJsonBody(),
        (Json { { "model", "vendor/image-model" },
            { "messages", Json::array({ { { "role", "user" }, { "content", "a lake" } } }) },
            { "modalities", Json::array({ "image", "text" }) },
            { "image_config", { { "aspect_ratio", "16:9" }, { "image_size", "1024x576" } } } }));

    server.reply(kChat, { 404, "no chat either" });
    EXPECT_EQ(text(generate("vendor/image-model")), "OpenRouter error 404: no chat either");
    server.reply(kImages, { 500, std::string("\xfe\xff", 2) });
    EXPECT_EQ(text(generate("vendor/image-model")), "OpenRouter error 500: Unknown error");
    EXPECT_EQ(paths().size(), 5u);
}

TEST_F(OpenRouterClientTest, ChatRoadCarriesTheImageFirstAndTheSystemPromptApart)
{
    server.reply(kChat, { 200, chatReply(server.url("/result.png")) });
    server.reply("/result.png", { 200, testing::picture("fetched"), "image/webp" });
    const auto result = generate("google/any-model", std::string("pic"), "Be bold");
    ASSERT_TRUE(result.ok()) << text(result);
    EXPECT_EQ(result.value(), (GeneratedImage { testing::picture("fetched"), "image/webp" }));
    EXPECT_EQ(paths(), (std::vector<std::string> { kChat, "/result.png" }));
    const auto body = Json::parse(server.received().front().body);
    EXPECT_EQ(body["messages"], Json::parse(R"([{"role":"system","content":"Be bold"},{"role":"user","content":[
            {"type":"image_url","image_url":{"url":"data:image/png;base64,cGlj"}},{"type":"text","text":"a lake"}]}])"));
    EXPECT_EQ(body["image_config"], (Json { { "aspect_ratio", "16:9" } }));
}

TEST_F(OpenRouterClientTest, ChatRepliesWithoutAUsableImageFail)
{
    server.reply("/error-page", { 404, "<html/>", "text/html" });
    const struct {
        std::string body;
        std::string expected;
    } cases[] = {
        { R"({"choices":[]})", "Failed to decode image data" },
        { R"({"choices":[{"message":{"content":" "}}]})", "Failed to decode image data" },
        { R"({"choices":[{"message":{"images":[{}]}}]})", "Failed to decode image data" },
        { chatReply("data:image/png;base64,"), "Failed to decode image data" },
        { chatReply("file:///etc/passwd"), "Failed to decode image data" },
        { chatReply(server.url("/error-page")), "Failed to decode image data" },
        { R"({"id":"x"})", ResponseDecodingError {}.description() },
    };
    for (const auto& entry : cases) {
        server.reply(kChat, { 200, entry.body });
        EXPECT_EQ(text(generate("gpt-image-model")), entry.expected) << entry.body;
    }
}

} // namespace
} // namespace tl
