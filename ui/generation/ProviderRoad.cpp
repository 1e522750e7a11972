#include "ui/generation/ProviderRoad.h"

#include "app/TimeOfDayTable.h"
#include "platform/ImageDecoding.h"
#include "platform/Uuid.h"
#include "ui/generation/CreateWallpaperTables.h"
#include "ui/generation/GenerationRun.h"
#include "ui/generation/KeyFrames.h"
#include "ui/generation/SheetTweenPass.h"

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tl::ui {
namespace {

constexpr std::size_t longestRunKey = 64;

// One folder name made of plain characters, so a stored key can never point elsewhere.
bool isPlainFolderName(const std::string& key)
{
    if (key.empty() || key.size() > longestRunKey || key == "." || key == "..") return false;
    return std::ranges::all_of(key, [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'
            || c == '.';
    });
}

std::vector<WallpaperImage> filled(const std::vector<std::optional<WallpaperImage>>& slots)
{
    std::vector<WallpaperImage> images;
    for (const auto& slot : slots)
        if (slot) images.push_back(*slot);
    return images;
}

std::filesystem::path frameFile(const std::filesystem::path& folder, std::string_view id)
{
    return folder / ("generated_" + std::string(id) + ".png");
}

struct Relit {
    std::size_t index;
    Result<WallpaperImage, RunError> record;
};

class ProviderRun {
public:
    ProviderRun(const RunInputs& inputs, const ProviderRoadSetup& setup, const RunChannel& channel,
        std::filesystem::path folder)
        : inputs_(inputs)
        , setup_(setup)
        , channel_(channel)
        , folder_(std::move(folder))
        , slots_(kTimeOfDayTable.size())
    {
    }

    Result<void, RunError> run()
    {
        auto base = baseFrame();
        if (!base) return base.error();
        if (auto relit = relightAll(); !relit) return relit;
        const auto timeline = runTweenPass(
            filled(slots_), folder_, inputs_.tweenCount, { completed_, inputs_.expectedFrameCount }, channel_);
        if (!timeline) return timeline.error();
        channel_.publish(timeline.value());
        return {};
    }

private:
    double fraction() const { return static_cast<double>(completed_) / std::max(inputs_.expectedFrameCount, 1); }

    Result<void, RunError> baseFrame()
    {
        const auto& row = kTimeOfDayTable.front();
        const std::string id(row.id);
        std::string baseBytes;
        if (inputs_.startingImage) {
            channel_.progress(fraction(), "Using starting image...");
            channel_.phase(id, PhaseStatus::inProgress);
            baseBytes = *inputs_.startingImage;
        } else {
            channel_.progress(fraction(), "Generating " + std::string(row.label) + "...");
            channel_.phase(id, PhaseStatus::inProgress);
            const auto prompt = inputs_.prompt + "\nTime of day: " + std::string(row.label) + ".\n"
                + std::string(create_sheet::baseFramePromptHint);
            auto image = setup_.service.generateImage(prompt, inputs_.model, inputs_.aspectRatio, std::nullopt,
                std::nullopt, inputs_.size, channel_.stopToken());
            if (!image) return RunError(image.error());
            if (channel_.stopRequested()) return RunError(EngineError(Cancelled {}));
            baseBytes = std::move(image.value().data);
        }
        completed_ = 1;
        reference_ = pngData(baseBytes);
        auto record = saveKeyFrame(reference_, frameFile(folder_, row.id), row);
        if (!record) return record.error();
        slots_[0] = std::move(record.value());
        channel_.phase(id, PhaseStatus::completed);
        channel_.publish(filled(slots_));
        channel_.progress(fraction());
        return {};
    }

    Result<WallpaperImage, RunError> relight(std::size_t index, std::stop_token stop) const
    {
        if (stop.stop_requested()) return RunError(EngineError(Cancelled {}));
        const auto& row = kTimeOfDayTable[index];
        channel_.phase(std::string(row.id), PhaseStatus::inProgress);
        auto image = setup_.service.generateImage(
            relightPrompt(inputs_.sceneDescription, row.label, row.altitude, row.azimuth), inputs_.model,
            inputs_.aspectRatio, reference_, std::string(create_sheet::consistencySystemPrompt), inputs_.size, stop);
        if (!image) return RunError(image.error());
        if (stop.stop_requested()) return RunError(EngineError(Cancelled {}));
        return saveKeyFrame(image.value().data, frameFile(folder_, row.id), row);
    }

    // Children start in table order, at most three at once; results are taken as they finish.
    Result<void, RunError> relightAll()
    {
        std::stop_source group;
        const std::stop_callback followRun(channel_.stopToken(), [&group] { group.request_stop(); });
        std::mutex mutex;
        std::condition_variable arrived;
        std::deque<Relit> finished;
        std::optional<RunError> firstError;
        std::size_t next = 1;
        std::size_t inFlight = 0;
        // Last, so every child is joined before what it reports into goes away.
        std::vector<std::jthread> children;

        const auto fill = [&] {
            while (!firstError && inFlight < create_sheet::maxConcurrentGenerations && next < slots_.size()) {
                children.emplace_back([&, index = next] {
                    auto record = [&]() -> Result<WallpaperImage, RunError> {
                        try {
                            return relight(index, group.get_token());
                        } catch (...) {
                            return currentExceptionRunError();
                        }
                    }();
                    const std::lock_guard lock(mutex);
                    finished.push_back({ index, std::move(record) });
                    arrived.notify_one();
                });
                ++next;
                ++inFlight;
            }
        };

        fill();
        while (inFlight > 0) {
            std::unique_lock lock(mutex);
            arrived.wait(lock, [&] { return !finished.empty(); });
            auto done = std::move(finished.front());
            finished.pop_front();
            lock.unlock();
            --inFlight;
            if (!done.record) {
                if (!firstError) {
                    firstError = done.record.error();
                    group.request_stop();
                }
                continue;
            }
            if (firstError) continue;
            ++completed_;
            const auto& row = kTimeOfDayTable[done.index];
            slots_[done.index] = std::move(done.record.value());
            channel_.phase(std::string(row.id), PhaseStatus::completed);
            channel_.publish(filled(slots_));
            channel_.progress(fraction(), "Generated " + std::string(row.label));
            fill();
        }
        children.clear();
        if (firstError) return *firstError;
        return {};
    }

    const RunInputs& inputs_;
    const ProviderRoadSetup& setup_;
    const RunChannel& channel_;
    const std::filesystem::path folder_;
    std::vector<std::optional<WallpaperImage>> slots_;
    std::string reference_;
    int completed_ = 0;
};

} // namespace

std::filesystem::path providerRunFolder(
    const std::filesystem::path& userDataFolder, const std::optional<std::string>& runKey)
{
    auto folder = userDataFolder / "Tidelumine" / "Generations";
    if (runKey && isPlainFolderName(*runKey)) folder /= *runKey;
    return folder / Uuid::random().text();
}

std::string pngData(const std::string& bytes)
{
    if (bytes.empty()) return bytes;
    const cv::Mat pixels = decodeImageBytes(bytes);
    std::vector<uchar> png;
    if (pixels.empty() || !cv::imencode(".png", pixels, png)) return bytes;
    return std::string(png.begin(), png.end());
}

std::string degreesText(double value)
{
    std::array<char, 32> buffer {};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string text(buffer.data(), error == std::errc() ? end : buffer.data());
    if (text.find_first_of(".eEn") == std::string::npos) text += ".0";
    return text;
}

std::string relightPrompt(const std::string& sceneDescription, std::string_view label, double altitude, double azimuth)
{
    return sceneDescription + "Using the reference image above, relight the exact same scene for " + std::string(label)
        + ".\nSun altitude: " + degreesText(altitude) + "°, azimuth: " + degreesText(azimuth)
        + "°.\nKeep composition and all objects identical. Only lighting and allowed sky/celestial changes may vary.";
}

Result<void, RunError> runProviderRoad(
    const RunInputs& inputs, const ProviderRoadSetup& setup, const RunChannel& channel)
{
    if (channel.stopRequested()) return RunError(EngineError(Cancelled {}));
    if (!setup.userDataFolder) return RunError(NoDataFolderError {});
    const auto folder = providerRunFolder(*setup.userDataFolder, setup.runKey);
    if (auto made = makeFolder(folder); !made) return made.error();
    return ProviderRun(inputs, setup, channel, folder).run();
}

} // namespace tl::ui
