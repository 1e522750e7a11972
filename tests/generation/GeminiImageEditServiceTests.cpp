#include "generation/Base64.h"
#include "generation/ProviderFixture.h"

namespace tl {
namespace {

using Json = nlohmann::json;

class GeminiClientTest : public testing::ProviderTest {
protected:
    GenerationResult<GeneratedImage> generate(const std::string& prompt, const std::string& model,
        std::optional<std::string> input = std::nullopt, std::optional<std::string> system = std::nullopt)
    {
        return gemini()->generateImage(prompt, model, "16:9", input, system, "1024x576", {});
    }

    static std::string candidates(Json parts)
    {
        return Json { { "candidates", Json::array({ { { "content", { { "parts", parts } } } } }) } }.dump();
    }
};

TEST_F(GeminiClientTest, RequestNamesTheModelInThePathAndTheKeyInTheQuery)
{
    server.reply("/v1beta/models/gemini-image:generateContent",
        { 200,
            candidates(Json::array({ { { "inlineData",
                { { "mimeType", "image/png" }, { "data", base64::encode(testing::picture("img")) } } } } })) });
    const struct {
        std::optional<std::string> system;
        std::string prompt;
        std::optional<std::string> input;
        Json parts;
    } cases[] = {
        { "Rules", "a lake", std::nullopt, Json::array({ { { "text", "Rules\na lake" } } }) },
        { "", "a lake", std::nullopt, Json::array({ { { "text", "a lake" } } }) },
        { "Rules", "", "pic",
            Json::array({ { { "text", "Rules" } },
                { { "inline_data", { { "mime_type", "image/png" }, { "data", "cGlj" } } } } }) },
    };
    for (const auto& entry : cases) {
        const auto result = generate(entry.prompt, "  google/gemini-image \n", entry.input, entry.system);
        ASSERT_TRUE(result.ok()) << text(result);
        EXPECT_EQ(result.value(), (GeneratedImage { testing::picture("img"), "image/png" }));
        const auto request = server.received().back();
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.path, "/v1beta/models/gemini-image:generateContent");
        EXPECT_EQ(request.query, (std::multimap<std::string, std::string> { { "key", "g-secret" } }));
        EXPECT_EQ(request.headers.count("Authorization"), 0u);
        EXPECT_EQ(request.headers.at("Content-Type"), "application/json");
        EXPECT_EQ(Json::parse(request.body),
            (Json { { "contents", Json::array({ { { "role", "user" }, { "parts", entry.parts } } }) } }));
    }
}

TEST_F(GeminiClientTest, RepliesAreReadFromTheFirstCandidateOnly)
{
    const Json image = { { "inline_data",
        { { "mime_type", "image/jpeg" }, { "data", base64::encode(testing::picture("jpeg")) } } } };
    const Json camel
        = { { "inlineData", { { "mimeType", "image/webp" }, { "data", base64::encode(testing::picture("webp")) } } } };
    const Json noType = { { "inlineData", { { "data", base64::encode(testing::picture("bare")) } } } };
    const Json bad = { { "inline_data", { { "mime_type", "image/png" }, { "data", "***" } } } };
    const Json empty = { { "inline_data", { { "mime_type", "image/png" }, { "data", "" } } } };
    const Json words = { { "text", "Here you go" } };
    const struct {
        int status;
        std::string body;
        std::string expected;
        std::optional<std::string> contentType;
    } cases[] = {
        { 200, candidates(Json::array({ words, image })), "bytes:jpeg", "image/jpeg" },
        { 200, candidates(Json::array({ camel })), "bytes:webp", "image/webp" },
        { 200, candidates(Json::array({ noType })), "bytes:bare", std::nullopt },
        { 200, candidates(Json::array({ bad, empty, image })), "bytes:jpeg", "image/jpeg" },
        { 200,
            Json { { "candidates",
                       Json::array({ { { "content", { { "parts", Json::array({ words }) } } } },
                           { { "content", { { "parts", Json::array({ image }) } } } } }) } }
                .dump(),
            "The provider declined to make the image: \"Here you go\"", std::nullopt },
        { 200, R"({"candidates":[]})", "Failed to decode image data", std::nullopt },
        { 200, R"({"promptFeedback":{}})", ResponseDecodingError {}.description(), std::nullopt },
        { 400, R"({"error":{"code":400}})", R"(Gemini error 400: {"error":{"code":400}})", std::nullopt },
        { 500, std::string("\xff", 1), "Gemini error 500: Unknown error", std::nullopt },
    };
    for (const auto& entry : cases) {
        server.reply("/v1beta/models/m:generateContent", { entry.status, entry.body });
        const auto result = generate("p", "m");
        EXPECT_EQ(text(result), entry.expected) << entry.body;
        if (result.ok()) {
            EXPECT_EQ(result.value().contentType, entry.contentType);
        }
    }
}

TEST_F(GeminiClientTest, TheKeyNeverReachesTheLogOrAnError)
{
    useEnvironment({ { "GEMINI_API_KEY", "g-secret" }, { "TIDELUMINE_NETWORK_LOGS", "1" } });
    server.reply("/v1beta/models/m:generateContent", { 403, R"({"error":"denied"})" });
    const auto denied = generate("p", "m");
    EXPECT_EQ(text(denied), R"(Gemini error 403: {"error":"denied"})");
    EXPECT_TRUE(log.anyStartsWith(
        "[Tidelumine AI][Network][Gemini] POST " + server.url("/v1beta/models/m:generateContent?key=REDACTED")));

    auto unreachable = std::make_shared<GeminiImageEditService>(
        std::make_shared<EnvironmentAPIKeyProvider>("GEMINI_API_KEY", environment), transport,
        "http://127.0.0.1:1/v1beta/models", AINetworkLog(environment));
    const auto failed = unreachable->generateImage("p", "m", "16:9", std::nullopt, std::nullopt, std::nullopt, {});
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(describe(failed.error()).find("g-secret"), std::string::npos);

    for (const auto& line : log.lines())
        EXPECT_EQ(line.find("g-secret"), std::string::npos) << line;
}

TEST_F(GeminiClientTest, EveryProviderScrubsItsOwnKeyFromQuotedRepliesAndTheLog)
{
    useEnvironment({ { "OPENAI_API_KEY", "sk-open-1234" }, { "GEMINI_API_KEY", "g-secret-5678" },
        { "OPENROUTER_API_KEY", "or-key-9012" }, { "TIDELUMINE_NETWORK_LOGS", "1" } });
    const auto echo = [](const std::string& key) {
        return R"({"error":"Incorrect API key provided: )" + key + R"(; retry with a key other than )" + key + "\"}";
    };
    server.reply("/v1/images/generations", { 401, echo("sk-open-1234") });
    server.reply("/v1beta/models/m:generateContent", { 400, echo("g-secret-5678") });
    server.reply("/api/v1/chat/completions", { 403, echo("or-key-9012") });
    const struct {
        const char* key;
        GenerationResult<GeneratedImage> result;
        const char* expected;
        const char* tag;
    } cases[] = {
        { "sk-open-1234", openAI()->generateImage("p", "m", "16:9", std::nullopt, std::nullopt, std::nullopt, {}),
            "OpenAI error 401: ", "OpenAI-Images" },
        { "g-secret-5678", gemini()->generateImage("p", "m", "16:9", std::nullopt, std::nullopt, std::nullopt, {}),
            "Gemini error 400: ", "Gemini" },
        { "or-key-9012",
            openRouter()->generateImage("p", "google/m", "16:9", std::nullopt, std::nullopt, std::nullopt, {}),
            "OpenRouter error 403: ", "OpenRouter-Chat" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text(c.result), c.expected + echo("REDACTED")) << c.key;
        EXPECT_TRUE(log.contains(std::string("[Tidelumine AI][Network][") + c.tag + "] Response: " + echo("REDACTED")))
            << c.key;
        for (const auto& line : log.lines())
            EXPECT_EQ(line.find(c.key), std::string::npos) << line;
    }
}

} // namespace
} // namespace tl
