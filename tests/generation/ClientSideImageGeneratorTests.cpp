#include "generation/ClientSideImageGenerator.h"

#include "generation/LightingPhases.h"
#include "generation/ServerRoadFixture.h"
#include "support/HangLimit.h"

#include <future>
#include <thread>

namespace tl {
namespace {

using namespace std::chrono_literals;
using testing::ServerRoadTest;

struct Events {
    std::mutex mutex;
    std::vector<std::string> progress;
    std::vector<std::string> started;
    std::vector<std::string> generated;
};

class TimelineGeneratorTest : public ServerRoadTest {
protected:
    TimelineGeneratorTest()
    {
        generator.onProgress = [this](int done, int total, const std::string& message) {
            const std::lock_guard lock(events.mutex);
            events.progress.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + message);
        };
        generator.onPhaseStarted = [this](const std::string& phase) {
            const std::lock_guard lock(events.mutex);
            events.started.push_back(phase);
        };
        generator.onImageGenerated = [this](const std::string& data, const std::string& phase) {
            const std::lock_guard lock(events.mutex);
            events.generated.push_back(phase + "=" + data);
        };
    }

    static std::string relitImage(const PhaseDescriptor& phase)
    {
        return "IMG:Relight: " + phase.timeOfDay + ". " + phase.description;
    }

    Events events;
    ClientSideImageGenerator generator { server.url(), context() };
};

TEST_F(TimelineGeneratorTest, RelightsTenPhasesInOrderThreeAtATime)
{
    // The first phase of every batch answers last; the others take long enough to overlap. The gap
    // is wide so a busy machine does not swap the answers.
    server.proxyDelay = [](const std::string& text) {
        for (const char* first : { "Night, cool", "Dawn, soft", "Noon, harsh", "Sunset, sun" })
            if (text.find(first) != std::string::npos) return 450ms;
        return 60ms;
    };
    const auto result = generator.generateTimeline("a quiet harbour", "openrouter/vendor/model", std::nullopt, {});
    ASSERT_TRUE(result.ok()) << describe(result.error());

    const auto& images = result.value();
    ASSERT_EQ(images.size(), 11u);
    EXPECT_EQ(images[0].data, "IMG:Scene: a quiet harbour");
    for (std::size_t index = 0; index < 10; ++index) {
        EXPECT_EQ(images[index + 1].data, relitImage(generator.lightingPhases[index])) << index;
    }
    for (const auto& image : images)
        EXPECT_EQ(image.contentType, "image/png");

    EXPECT_EQ(server.largestProxyConcurrency(), 3);
    EXPECT_EQ(server.tokenRequests(), 1);
    EXPECT_EQ(server.promptRequests(), 1);
    EXPECT_EQ(events.progress,
        (std::vector<std::string> { "0/11 Generating original image...", "1/11 Original complete, relighting...",
            "4/11 Completed 4/11 images...", "7/11 Completed 7/11 images...", "10/11 Completed 10/11 images...",
            "11/11 Completed 11/11 images..." }));
    ASSERT_EQ(events.started.size(), 11u);
    EXPECT_EQ(events.started[0], "night");
    ASSERT_EQ(events.generated.size(), 11u);
    EXPECT_EQ(events.generated[0], "night=IMG:Scene: a quiet harbour");
    // Within the first batch the slow night phase arrives after the other two.
    EXPECT_EQ(events.generated[3], "night=" + relitImage(generator.lightingPhases[0]));

    EXPECT_TRUE(log.contains("🔵 Batch 1/4: night, astronomical, nautical"));
    EXPECT_TRUE(log.contains("🔵 Batch 4/4: sunset"));
    EXPECT_TRUE(log.contains("  🌅 Relighting for golden_pm..."));
    EXPECT_TRUE(log.contains("✅ Batch 3 complete (10/11 total)"));
    EXPECT_TRUE(log.contains("✅ Timeline generation complete: 11 images"));
}

TEST_F(TimelineGeneratorTest, AStartingImageIsTheBaseAndTheDescriptionIsUnused)
{
    const auto result = generator.generateTimeline("ignored", "m", std::string("my own photo"), {});
    ASSERT_TRUE(result.ok()) << describe(result.error());
    EXPECT_EQ(result.value().front().data, "my own photo");
    EXPECT_EQ(server.promptRequests(), 1);
    const auto calls = server.proxyCalls();
    EXPECT_EQ(calls.size(), 10u);
    for (const auto& call : calls) {
        EXPECT_EQ(call.body["messages"][0]["content"][1]["image_url"]["url"], "data:image/png;base64,bXkgb3duIHBob3Rv");
    }
    EXPECT_EQ(events.progress.front(), "0/11 Using reference image...");
    EXPECT_EQ(events.started.size(), 10u);
}

TEST_F(TimelineGeneratorTest, TheFirstFailureStopsTheRun)
{
    server.proxyResponder = [](const nlohmann::json& body, httplib::Response& out) {
        const auto text = testing::FakeProductServer::promptText(body);
        if (text.find("Golden hour morning") != std::string::npos) {
            out.status = 502;
            out.set_content("upstream down", "text/plain");
            return;
        }
        out.set_content(
            testing::FakeProductServer::chatReplyWithImageURL("data:image/png;base64,eA==").dump(), "application/json");
    };
    const auto result = generator.generateTimeline("p", "m", std::nullopt, {});
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(describe(result.error()), "Server error 502: upstream down");
    EXPECT_EQ(events.progress.back(), "4/11 Completed 4/11 images...");
    for (const auto& call : server.proxyCalls()) {
        EXPECT_EQ(testing::FakeProductServer::promptText(call.body).find("Noon"), std::string::npos);
    }
}

TEST_F(TimelineGeneratorTest, AFailureCancelsTheRequestsStillRunning)
{
    // In the second batch two requests hang while the third fails.
    server.holdProxy = [](const std::string& text) {
        return text.find("Dawn, soft") != std::string::npos || text.find("Early morning, warm") != std::string::npos;
    };
    server.proxyResponder = [](const nlohmann::json& body, httplib::Response& out) {
        const auto text = testing::FakeProductServer::promptText(body);
        if (text.find("Golden hour morning") != std::string::npos) {
            out.status = 500;
            out.set_content("golden hour failed", "text/plain");
            return;
        }
        out.set_content(
            testing::FakeProductServer::chatReplyWithImageURL("data:image/png;base64,eA==").dump(), "application/json");
    };
    auto run = std::async(std::launch::async, [&] { return generator.generateTimeline("p", "m", std::nullopt, {}); });
    if (run.wait_for(testing::hangLimit) != std::future_status::ready) {
        ADD_FAILURE() << "the hanging requests were not cancelled";
        server.loopback().openGate();
    }
    const auto result = run.get();
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(describe(result.error()), "Server error 500: golden hour failed");
}

TEST_F(TimelineGeneratorTest, StoppingMidBatchEndsTheRunAtOnce)
{
    server.holdProxy = [](const std::string& text) { return text.find("Dawn, soft") != std::string::npos; };
    std::stop_source stop;
    auto run = std::async(
        std::launch::async, [&] { return generator.generateTimeline("p", "m", std::nullopt, stop.get_token()); });
    while (server.proxyCalls().size() < 7)
        std::this_thread::sleep_for(5ms);

    testing::expectStopsWithin(stop, run, 300ms);
    EXPECT_EQ(server.proxyCalls().size(), 7u);
}

TEST_F(TimelineGeneratorTest, WithoutTemplatesNothingStarts)
{
    server.promptsStatus = 503;
    const auto result = generator.generateTimeline("p", "m", std::nullopt, {});
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(describe(result.error()), "No bundled prompts available");
    EXPECT_TRUE(events.progress.empty());
    EXPECT_TRUE(server.proxyCalls().empty());
}

TEST(PhaseChunking, SplitsIntoConsecutiveGroups)
{
    const auto phases = lightingPhaseTable();
    const struct {
        int size;
        std::vector<std::size_t> lengths;
    } cases[] = { { 3, { 3, 3, 3, 1 } }, { 4, { 4, 4, 2 } }, { 10, { 10 } }, { 12, { 10 } },
        { 1, std::vector<std::size_t>(10, 1) } };
    for (const auto& entry : cases) {
        const auto batches = ClientSideImageGenerator::chunkPhases(phases, entry.size);
        std::vector<std::size_t> lengths;
        std::vector<std::string> names;
        for (const auto& batch : batches) {
            lengths.push_back(batch.size());
            for (const auto& phase : batch)
                names.push_back(phase.name);
        }
        EXPECT_EQ(lengths, entry.lengths) << entry.size;
        EXPECT_EQ(names.front(), "night");
        EXPECT_EQ(names.back(), "sunset");
        EXPECT_EQ(names.size(), 10u);
    }
}

} // namespace
} // namespace tl
