#pragma once

#include "engine/ImageUpscalingTool.h"
#include "model/WallpaperImage.h"
#include "support/TestImageFiles.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tl::test {

// A photograph-like test frame: smooth gradients with texture, distinct per seed.
inline cv::Mat syntheticPhoto(int width, int height, int seed)
{
    cv::Mat photo(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            photo.at<cv::Vec3b>(y, x) = { static_cast<std::uint8_t>((x * 200 / width + seed * 40) % 256),
                static_cast<std::uint8_t>(y * 220 / height + 20), static_cast<std::uint8_t>((seed * 70 + 60) % 256) };
    cv::Mat texture(height, width, CV_8UC3);
    cv::randn(texture, cv::Scalar::all(0), cv::Scalar::all(6));
    cv::GaussianBlur(texture, texture, { 3, 3 }, 0);
    return photo + texture;
}

inline WallpaperImage frameImage(const std::filesystem::path& file, std::optional<double> altitude, bool tween = false)
{
    WallpaperImage image { Uuid::random(), file.filename().string() };
    image.altitude = altitude;
    image.azimuth = altitude ? std::optional(*altitude * 2 + 90) : std::nullopt;
    image.isTween = tween;
    image.sourcePath = file.string();
    return image;
}

// Enlarges by plain interpolation; counts its passes and how many ran at once, and can be told to fail
// on one input or to wait until it is stopped.
class TestUpscaler : public ImageUpscalingTool {
public:
    explicit TestUpscaler(std::set<int> scales = { 2 })
        : scales_(std::move(scales))
    {
    }

    std::set<int> supportedScales() const override { return scales_; }
    int tileCount(int width, int height) const override
    {
        return pixelsPerTile > 0 ? std::max(1, width * height / pixelsPerTile) : 1;
    }

    Result<void, UpscaleError> upscale(const std::filesystem::path& input, const std::filesystem::path& output,
        int scale, std::stop_token stop, const TileProgress& tileDone) override
    {
        const int running = ++running_;
        for (int seen = mostAtOnce.load(); running > seen && !mostAtOnce.compare_exchange_weak(seen, running);) { }
        ++passes;
        // Hold the first passes until enough run together, so a bound on parallel frames shows.
        for (int waited = 0; gatherAtOnce > 0 && mostAtOnce < gatherAtOnce && waited < 2000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto finish = [&](Result<void, UpscaleError> result) {
            --running_;
            return result;
        };
        if (waitForStop) {
            while (!stop.stop_requested())
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return finish(UpscaleError::of(UpscaleError::Kind::cancelled));
        }
        if (input.filename().string().rfind(failOnStem, 0) == 0 && !failOnStem.empty())
            return finish(UpscaleError::imageLoad(input.string()));
        if (slowStem.size() && input.filename().string().rfind(slowStem, 0) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        const cv::Mat source = cv::imread(input.string(), cv::IMREAD_UNCHANGED);
        if (source.empty()) return finish(UpscaleError::imageLoad(input.string()));
        if (pixelsPerTile > 0 && tileDone) {
            const int tiles = tileCount(source.cols, source.rows);
            for (int tile = 1; tile <= tiles; ++tile) {
                std::this_thread::sleep_for(tileTime);
                tileDone(tile, tiles);
            }
        }
        cv::Mat larger;
        cv::resize(source, larger, {}, scale, scale, cv::INTER_LINEAR);
        if (!cv::imwrite(output.string(), larger))
            return finish(UpscaleError::of(UpscaleError::Kind::outputWriteFailed));
        return finish({});
    }

    std::atomic<int> passes = 0;
    std::atomic<int> mostAtOnce = 0;
    std::string failOnStem; // e.g. "frame_0002": that frame's first pass fails
    std::string slowStem; // that frame's passes take longer, so it finishes last
    bool waitForStop = false;
    int gatherAtOnce = 0; // passes wait (up to two seconds) until this many have run at once
    int pixelsPerTile = 0; // when set, a pass counts its input's pixels in tiles of this size and reports each
    std::chrono::milliseconds tileTime { 0 }; // what each reported tile takes

private:
    std::set<int> scales_;
    std::atomic<int> running_ = 0;
};

// Progress reports, collected from any thread.
struct ProgressLog {
    struct Report {
        int current, total;
        std::string message;
    };
    std::mutex mutex;
    std::vector<Report> reports;

    auto callback()
    {
        return [this](int current, int total, const std::string& message) {
            const std::lock_guard lock(mutex);
            reports.push_back({ current, total, message });
        };
    }
    std::vector<std::string> messagesStartingWith(const std::string& prefix)
    {
        std::vector<std::string> found;
        for (const auto& report : reports)
            if (report.message.rfind(prefix, 0) == 0) found.push_back(report.message);
        return found;
    }
};

} // namespace tl::test
