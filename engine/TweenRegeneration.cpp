#include "engine/TweenRegeneration.h"

#include "engine/BoundedParallel.h"
#include "engine/LanczosResampler.h"
#include "engine/TweenGenerator.h"
#include "platform/ImageDecoding.h"
#include "platform/Log.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

namespace tl {
namespace {

namespace fs = std::filesystem;

constexpr int maxConcurrentTweens = 4;

// Decoded key frames shared by the tweens that need them; each is decoded on first use and dropped
// after its last.
class KeyFrameCache {
public:
    void expect(const fs::path& file) { ++entry(file).remaining; }

    Result<std::shared_ptr<const cv::Mat>, EngineError> acquire(const fs::path& file)
    {
        Entry& slot = entry(file);
        const std::lock_guard lock(slot.mutex);
        if (!slot.pixels) {
            cv::Mat decoded = decodeImageFile(file);
            if (decoded.empty()) return EngineError(HeicGeneratorError::imageLoadFailed(file.string()));
            slot.pixels = std::make_shared<const cv::Mat>(std::move(decoded));
        }
        return slot.pixels;
    }

    void release(const fs::path& file)
    {
        Entry& slot = entry(file);
        const std::lock_guard lock(slot.mutex);
        if (--slot.remaining == 0) slot.pixels.reset();
    }

private:
    struct Entry {
        std::mutex mutex;
        std::shared_ptr<const cv::Mat> pixels;
        int remaining = 0;
    };

    Entry& entry(const fs::path& file)
    {
        const std::lock_guard lock(mapMutex_);
        auto& slot = entries_[file];
        if (!slot) slot = std::make_unique<Entry>();
        return *slot;
    }

    std::mutex mapMutex_;
    std::map<fs::path, std::unique_ptr<Entry>> entries_;
};

struct TweenJob {
    WallpaperImage tween;
    HeicFrameSource previous;
    HeicFrameSource next;
    double factor = 0.5;
};

// Frames of one size and layout: the later one stretched to the earlier one's pixel size.
cv::Mat matchedTo(const cv::Mat& earlier, const cv::Mat& later)
{
    cv::Mat matched = later.size() == earlier.size() ? later : stretchTo(later, earlier.cols, earlier.rows);
    if (matched.channels() == earlier.channels()) return matched;
    cv::Mat converted;
    cv::cvtColor(matched, converted, matched.channels() == 3 ? cv::COLOR_BGR2BGRA : cv::COLOR_BGRA2BGR);
    return converted;
}

} // namespace

double tweenBlendFactor(const WallpaperImage& tween, const WallpaperImage& previous, const WallpaperImage& next)
{
    if (!tween.altitude || !previous.altitude || !next.altitude) return 0.5;
    const double span = *next.altitude - *previous.altitude;
    if (span == 0) return 0.5;
    return std::clamp((*tween.altitude - *previous.altitude) / span, 0.0, 1.0);
}

Result<std::vector<HeicFrameSource>, EngineError> regenerateTweens(const std::vector<WallpaperImage>& tweens,
    const std::vector<WallpaperImage>& images, const std::vector<HeicFrameSource>& keyFrames, const fs::path& folder,
    const std::function<void(int done)>& onBlended, std::stop_token stop)
{
    std::vector<TweenJob> jobs;
    KeyFrameCache cache;
    for (const WallpaperImage& tween : tweens) {
        auto previous = TweenGenerator::previousKeyFrame(tween.id, images, keyFrames);
        if (!previous) {
            log("[HeicGenerator] WARNING: No previous key frame for tween " + tween.fileName + ", skipping");
            return EngineError(HeicGeneratorError::processingFailed("No previous key frame for tween"));
        }
        auto next = TweenGenerator::nextKeyFrame(tween.id, images, keyFrames);
        if (!next) {
            log("[HeicGenerator] WARNING: No next key frame for tween " + tween.fileName + ", skipping");
            return EngineError(HeicGeneratorError::processingFailed("No next key frame for tween"));
        }
        cache.expect(previous->url);
        cache.expect(next->url);
        const double factor = tweenBlendFactor(tween, previous->image, next->image);
        jobs.push_back({ tween, std::move(*previous), std::move(*next), factor });
    }

    const TweenGenerator generator;
    int done = 0;
    return runBounded<HeicFrameSource>(
        static_cast<int>(jobs.size()), maxConcurrentTweens, stop,
        [&](int index, std::stop_token) -> Result<HeicFrameSource, EngineError> {
            const TweenJob& job = jobs[static_cast<std::size_t>(index)];
            auto earlier = cache.acquire(job.previous.url);
            auto later = earlier ? cache.acquire(job.next.url) : earlier;
            cache.release(job.previous.url);
            cache.release(job.next.url);
            if (!earlier) return earlier.error();
            if (!later) return later.error();
            const cv::Mat& from = *earlier.value();
            return generator.writeBlendedPixels(
                job.tween, from, matchedTo(from, *later.value()), job.factor, index, folder);
        },
        [&](int, const HeicFrameSource&) {
            if (onBlended) onBlended(++done);
        },
        [&](int index) { return jobs[static_cast<std::size_t>(index)].tween.fileName; });
}

} // namespace tl
