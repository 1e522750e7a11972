#include "generation/Base64.h"
#include "generation/ProviderFixture.h"

namespace tl {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using testing::FakeProviderServer;

class OpenAIClientTest : public testing::ProviderTest {
protected:
    GenerationResult<GeneratedImage> generate(const std::string& prompt, const std::string& model,
        const std::string& aspectRatio = "16:9", std::optional<std::string> input = std::nullopt,
        std::optional<std::string> system = std::nullopt, std::optional<std::string> size = std::nullopt)
    {
        return openAI()->generateImage(prompt, model, aspectRatio, input, system, size, {});
    }

    void answerWith(Json reply) { server.reply("/v1/images/generations", { 200, reply.dump() }); }
};

TEST(OpenAISizes, AreNormalisedToAcceptedOnes)
{
    const struct {
        std::optional<std::string> given;
        std::optional<std::string> expected;
    } cases[] = {
        { "auto", "auto" },
        { " AUTO ", "auto" },
        { " 1536X1024\n", "1536x1024" },
        { "1024x576", "1536x1024" },
        { "1024X576", "1536x1024" },
        { "576x1024", "1024x1536" },
        { "333x333", "1024x1024" },
        { "16:9", std::nullopt },
        { "1024×576", std::nullopt },
        { "0x576", std::nullopt },
        { "axb", std::nullopt },
        { "1024x576x2", std::nullopt },
        { "", std::nullopt },
        { "   ", std::nullopt },
        { std::nullopt, std::nullopt },
        { "x1024x576x", "1536x1024" },
    };
    for (const auto& entry : cases) {
        EXPECT_EQ(OpenAIImageEditService::normalizedSize(entry.given), entry.expected)
            << entry.given.value_or("<none>");
    }
}

TEST_F(OpenAIClientTest, GenerationRequestCarriesModelPromptAndSize)
{
    answerWith({ { "data",
        Json::array(
            { { { "b64_json", base64::encode(testing::picture("png")) }, { "content_type", "image/png" } } }) } });
    const struct {
        std::string model;
        std::optional<std::string> system;
        std::string prompt;
        std::string aspectRatio;
        std::optional<std::string> size;
        Json expected;
    } cases[] = {
        { " openai/gpt-image-1\n", "Be bold", "a lake", "16:9", "1024x576",
            { { "model", "gpt-image-1" }, { "prompt", "Be bold\na lake" }, { "n", 1 }, { "size", "1536x1024" } } },
        { "plain-model", std::nullopt, "a lake", "16:9", std::nullopt,
            { { "model", "plain-model" }, { "prompt", "a lake" }, { "n", 1 } } },
        { "a/b/c", "", "only prompt", "1024x1024", std::nullopt,
            { { "model", "b/c" }, { "prompt", "only prompt" }, { "n", 1 }, { "size", "1024x1024" } } },
        { "m", "system alone", "", "16:9", "0x10", { { "model", "m" }, { "prompt", "system alone" }, { "n", 1 } } },
    };
    for (const auto& entry : cases) {
        const auto result
            = generate(entry.prompt, entry.model, entry.aspectRatio, std::nullopt, entry.system, entry.size);
        ASSERT_TRUE(result.ok()) << text(result);
        EXPECT_EQ(result.value(), (GeneratedImage { testing::picture("png"), "image/png" }));
        const auto request = server.received().back();
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.path, "/v1/images/generations");
        EXPECT_EQ(request.headers.at("Authorization"), "Bearer sk-open");
        EXPECT_EQ(request.headers.at("Content-Type"), "application/json");
        EXPECT_EQ(Json::parse(request.body), entry.expected) << entry.model;
    }
}

TEST_F(OpenAIClientTest, EditsSendAMultipartFormWithTheImageUntouched)
{
    server.reply("/v1/images/edits",
        { 200, R"({"data":[{"b64_json":")" + base64::encode(testing::picture("edited")) + R"("}]})" });
    const std::string image("\x89PNG\0\xff binary", 13);
    for (const auto& size : { std::optional<std::string>("1024x576"), std::optional<std::string>() }) {
        const auto result = generate("relight", "openai/model", "16:9", image, "sys", size);
        ASSERT_TRUE(result.ok()) << text(result);
        EXPECT_EQ(result.value(), (GeneratedImage { testing::picture("edited"), std::nullopt }));

        const auto request = server.received().back();
        EXPECT_EQ(request.path, "/v1/images/edits");
        EXPECT_TRUE(request.headers.at("Content-Type").starts_with("multipart/form-data; boundary=Boundary-"));
        EXPECT_EQ(request.files.find("model")->second.content, "model");
        EXPECT_EQ(request.files.find("prompt")->second.content, "sys\nrelight");
        EXPECT_EQ(request.files.find("n")->second.content, "1");
        EXPECT_EQ(request.files.count("size"), size ? 1u : 0u);
        const auto& file = request.files.find("image")->second;
        EXPECT_EQ(file.filename, "reference.png");
        EXPECT_EQ(file.content_type, "image/png");
        EXPECT_EQ(file.content, image);
    }
}

TEST_F(OpenAIClientTest, RepliesAreDecodedOrReportedPlainly)
{
    server.reply("/image.png", { 200, testing::picture("fetched"), "image/webp" });
    server.reply("/gone.png", { 404, "<html>gone</html>", "text/html" });
    const auto withEntry = [](Json fields) { return Json { { "data", Json::array({ fields }) } }.dump(); };
    const struct {
        int status;
        std::string body;
        std::string expected;
    } cases[] = {
        { 200, withEntry({ { "b64_json", base64::encode(testing::picture("bytes")).insert(4, "\n") } }),
            "bytes:bytes" },
        { 200, withEntry({ { "b64_json", "" }, { "url", server.url("/image.png") } }), "bytes:fetched" },
        { 200, withEntry({ { "b64_json", "!!!" }, { "url", server.url("/image.png") } }), "bytes:fetched" },
        { 200, withEntry({ { "b64_json", "!!!" } }), "Failed to decode image data" },
        { 200, withEntry({ { "url", server.url("/gone.png") } }), "Failed to decode image data" },
        { 200, withEntry({ { "url", "file:///etc/passwd" } }), "Failed to decode image data" },
        { 200, withEntry({ { "url", "not a url" } }), "Failed to decode image data" },
        { 200, R"({"data":[]})", "Unexpected response from image service" },
        { 200, R"({"images":[]})", ResponseDecodingError {}.description() },
        { 200, "<html>", ResponseDecodingError {}.description() },
        { 401, R"({"error":"bad key"})", R"(OpenAI error 401: {"error":"bad key"})" },
        { 500, std::string("\xc3\x28", 2), "OpenAI error 500: Unknown error" },
        { 503, "", "OpenAI error 503: " },
    };
    for (const auto& entry : cases) {
        server.reply("/v1/images/generations", { entry.status, entry.body });
        EXPECT_EQ(text(generate("p", "m")), entry.expected) << entry.body;
    }
    const auto received = server.received();
    EXPECT_EQ(received[2].path, "/image.png");
    EXPECT_EQ(received[2].method, "GET");
    EXPECT_EQ(received[2].headers.count("Authorization"), 0u);
}

TEST_F(OpenAIClientTest, AMissingOrEmptyKeySendsNothing)
{
    useEnvironment({ { "OPENAI_API_KEY", "" } });
    EXPECT_TRUE(openAI()->isConfigured());
    EXPECT_EQ(text(generate("p", "m")), "Missing API key");
    useEnvironment({});
    EXPECT_FALSE(openAI()->isConfigured());
    EXPECT_EQ(text(generate("p", "m")), "Missing API key");
    EXPECT_TRUE(server.received().empty());
}

} // namespace
} // namespace tl
