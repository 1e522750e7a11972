#include "generation/AINetworkLog.h"

#include "support/LogRecorder.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

TEST(AINetworkLog, OnlyTheExactSwitchTurnsItOn)
{
    const struct {
        std::optional<std::string> value;
        bool enabled;
    } cases[] = { { "1", true }, { std::nullopt, false }, { "true", false }, { "yes", false }, { "01", false },
        { "1 ", false }, { "", false } };
    for (const auto& entry : cases) {
        FixedEnvironment environment;
        if (entry.value)
            environment = FixedEnvironment(
                std::map<std::string, std::string, std::less<>> { { "TIDELUMINE_NETWORK_LOGS", *entry.value } });
        const AINetworkLog networkLog(environment);
        testing::LogRecorder log;
        networkLog.logPrompt("OpenAI", "user", "system");
        HttpRequest request;
        request.url = "https://example.com";
        networkLog.logRequest("OpenAI-Images", request);
        EXPECT_EQ(networkLog.isEnabled(), entry.enabled);
        EXPECT_EQ(log.lines().empty(), !entry.enabled) << entry.value.value_or("<unset>");
    }
}

TEST(AINetworkLog, LinesOfAnExchange)
{
    const FixedEnvironment environment(
        std::map<std::string, std::string, std::less<>> { { "TIDELUMINE_NETWORK_LOGS", "1" } });
    const AINetworkLog networkLog(environment);
    testing::LogRecorder log;

    networkLog.logPrompt("OpenRouter-Chat", "the user", "the system");
    networkLog.logPrompt("Gemini", "", std::string());
    HttpRequest request;
    request.method = "POST";
    request.url = "https://example.com/v1/x:generateContent?alt=json&key=secret&keyless=1";
    request.body = "{\"a\":1}";
    networkLog.logRequest("Gemini", request);
    networkLog.logRequest("Fetch", HttpRequest {});
    HttpResponse response { 200, {}, std::string(345, '\xff') };
    networkLog.logResponse("Gemini", &response, &response.body);
    networkLog.logResponse("Fetch", &response, nullptr);
    networkLog.logResponse("Lost", nullptr, nullptr);

    EXPECT_EQ(log.lines(),
        (std::vector<std::string> {
            "[Tidelumine AI][Prompt][OpenRouter-Chat] System: the system",
            "[Tidelumine AI][Prompt][OpenRouter-Chat] User: the user",
            "[Tidelumine AI][Prompt][Gemini] User: ",
            "[Tidelumine AI][Network][Gemini] POST "
            "https://example.com/v1/x:generateContent?alt=json&key=REDACTED&keyless=1",
            "[Tidelumine AI][Network][Gemini] Body: {\"a\":1}",
            "[Tidelumine AI][Network][Fetch] GET <nil>",
            "[Tidelumine AI][Network][Gemini] Status: 200",
            "[Tidelumine AI][Network][Gemini] Response: <binary 345 bytes>",
            "[Tidelumine AI][Network][Fetch] Status: 200",
            "[Tidelumine AI][Network][Lost] Status: <nil>",
        }));
}

TEST(AINetworkLog, RequestBodiesAreCutAtTwoThousandCharacters)
{
    const std::string accented = "e\xcc\x81"; // one character, three bytes
    std::string exact;
    for (int i = 0; i < 2000; ++i)
        exact += accented;
    EXPECT_EQ(AINetworkLog::bodyPreview(&exact), exact);
    const std::string longer = exact + "z";
    EXPECT_EQ(AINetworkLog::bodyPreview(&longer), exact + "…");
    const std::string tenThousand(10000, 'a');
    EXPECT_EQ(AINetworkLog::bodyPreview(&tenThousand)->size(), 2000 + std::string("…").size());
    const std::string empty;
    EXPECT_FALSE(AINetworkLog::bodyPreview(&empty));
    EXPECT_FALSE(AINetworkLog::bodyPreview(nullptr));
    const std::string binary("\x89PNG\xff", 5);
    EXPECT_EQ(AINetworkLog::bodyPreview(&binary), "<binary 5 bytes>");
}

TEST(AINetworkLog, ResponseBodiesAreCutAtTwoThousandCharactersWithTheKeyScrubbedFirst)
{
    const FixedEnvironment environment(
        std::map<std::string, std::string, std::less<>> { { "TIDELUMINE_NETWORK_LOGS", "1" } });
    testing::LogRecorder log;
    const AINetworkLog networkLog(environment);
    const HttpResponse huge { 200, {}, std::string(5'000'000, 'r') };
    networkLog.logResponse("OpenAI-Images", &huge, &huge.body, "sk-key");
    EXPECT_EQ(log.lines().back(), "[Tidelumine AI][Network][OpenAI-Images] Response: " + std::string(2000, 'r') + "…");
    // A key straddling the cut must not leave its first half behind.
    const HttpResponse echoing { 400, {}, std::string(1998, 'e') + "sk-key" + std::string(10, 'e') };
    networkLog.logResponse("OpenAI-Images", &echoing, &echoing.body, "sk-key");
    EXPECT_EQ(
        log.lines().back(), "[Tidelumine AI][Network][OpenAI-Images] Response: " + std::string(1998, 'e') + "RE…");
}

} // namespace
} // namespace tl
