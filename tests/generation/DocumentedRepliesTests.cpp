#include "generation/Base64.h"
#include "generation/ProviderFixture.h"

namespace tl {
namespace {

// Replies the providers document, sent as they are through each client that can get them.
class DocumentedRepliesTest : public testing::ProviderTest {
protected:
    enum class Client { openAI, gemini, openRouter };

    std::string outcome(Client client, const std::string& body)
    {
        switch (client) {
        case Client::openAI:
            server.reply("/v1/images/generations", { 200, body });
            return text(openAI()->generateImage("p", "m", "1:1", std::nullopt, std::nullopt, std::nullopt, {}));
        case Client::gemini:
            server.reply("/v1beta/models/m:generateContent", { 200, body });
            return text(gemini()->generateImage("p", "m", "1:1", std::nullopt, std::nullopt, std::nullopt, {}));
        case Client::openRouter:
            server.reply("/api/v1/chat/completions", { 200, body });
            return text(
                openRouter()->generateImage("p", "google/m", "1:1", std::nullopt, std::nullopt, std::nullopt, {}));
        }
        return {};
    }

    static std::string declined(const std::string& quoted)
    {
        return "The provider declined to make the image: " + quoted;
    }
};

TEST_F(DocumentedRepliesTest, AGeminiThoughtIsNeverTakenForTheAnswer)
{
    using Json = nlohmann::json;
    const auto image = [](const char* bytes) {
        return Json { { "inlineData",
            { { "mimeType", "image/png" }, { "data", base64::encode(testing::picture(bytes)) } } } };
    };
    auto draft = image("draft");
    draft["thought"] = true;
    const Json thinking = { { "text", "Sketching first" }, { "thought", true } };
    const auto reply = [](Json parts) {
        return Json { { "candidates", Json::array({ { { "content", { { "parts", parts } } } } }) } }.dump();
    };
    EXPECT_EQ(outcome(Client::gemini, reply({ thinking, draft, image("final") })), "bytes:final");
    EXPECT_EQ(outcome(Client::gemini, reply({ thinking, draft })), "Failed to decode image data");
}

TEST_F(DocumentedRepliesTest, BytesThatAreNoPictureAreNoImage)
{
    const std::string html = "<!doctype html><title>Error</title>";
    server.reply("/page.png", { 200, html, "text/html" });
    const auto encodedHtml = base64::encode(html);
    const struct {
        Client client;
        std::string body;
    } cases[] = {
        { Client::openAI, R"({"data":[{"url":")" + server.url("/page.png") + R"("}]})" },
        { Client::openAI, R"({"data":[{"b64_json":")" + encodedHtml + R"("}]})" },
        { Client::gemini,
            R"({"candidates":[{"content":{"parts":[{"inlineData":{"data":")" + encodedHtml + R"("}}]}}]})" },
        { Client::openRouter,
            R"({"choices":[{"message":{"images":[{"image_url":{"url":"data:text/html;base64,)" + encodedHtml
                + R"("}}]}}]})" },
        { Client::openRouter,
            R"({"choices":[{"message":{"images":[{"image_url":{"url":")" + server.url("/page.png") + R"("}}]}}]})" },
    };
    for (const auto& entry : cases)
        EXPECT_EQ(outcome(entry.client, entry.body), "Failed to decode image data") << entry.body;

    // Every known picture file passes whatever follows its signature.
    for (const auto& head : { std::string("\xff\xd8\xff\xe0", 4), std::string("RIFF\0\0\0\0WEBPVP8 ", 16),
             std::string("\0\0\0\x18"
                         "ftypheic",
                 12),
             std::string("\0\0\0\x1c"
                         "ftypavif",
                 12),
             std::string("GIF89a") }) {
        const auto body = R"({"data":[{"b64_json":")" + base64::encode(head + "rest") + R"("}]})";
        EXPECT_EQ(outcome(Client::openAI, body), "bytes:" + head + "rest") << head;
    }
}

TEST_F(DocumentedRepliesTest, RefusalsSayTheProviderDeclinedAndWhy)
{
    const std::string longWords(400, 'w');
    const struct {
        Client client;
        std::string body;
        std::string expected;
    } cases[] = {
        { Client::gemini, R"({"promptFeedback":{"blockReason":"PROHIBITED_CONTENT"}})",
            declined(R"("PROHIBITED_CONTENT")") },
        { Client::gemini, R"({"candidates":[{"finishReason":"IMAGE_SAFETY","index":0}]})",
            declined(R"("IMAGE_SAFETY")") },
        { Client::gemini, R"({"candidates":[{"content":{"parts":[],"role":"model"},"finishReason":"IMAGE_SAFETY"}]})",
            declined(R"("IMAGE_SAFETY")") },
        { Client::gemini,
            R"({"candidates":[{"content":{"parts":[{"text":"I can't draw \"that\".\nSorry."}]},"finishReason":"STOP"}]})",
            declined(R"("I can't draw \"that\".\nSorry.")") },
        { Client::gemini, R"({"candidates":[{"content":{"parts":[{"text":")" + longWords + R"("}]}}]})",
            declined("\"" + std::string(300, 'w') + "\"…") },
        { Client::gemini, R"({"error":{"code":429,"message":"Quota exceeded","status":"RESOURCE_EXHAUSTED"}})",
            declined(R"("Quota exceeded")") },
        { Client::openRouter,
            R"({"choices":[{"finish_reason":"stop","message":{"role":"assistant","content":"I cannot create that image."}}]})",
            declined(R"("I cannot create that image.")") },
        { Client::openRouter, R"({"error":{"code":403,"message":"Input was flagged by moderation"}})",
            declined(R"("Input was flagged by moderation")") },
        { Client::openAI,
            R"({"error":{"message":"Rejected by the safety system","type":"image_generation_user_error"}})",
            declined(R"("Rejected by the safety system")") },
    };
    for (const auto& entry : cases)
        EXPECT_EQ(outcome(entry.client, entry.body), entry.expected) << entry.body;
}

} // namespace
} // namespace tl
