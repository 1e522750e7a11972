#pragma once

#include "model/WallpaperImage.h"
#include "ui/library/TweenEngine.h"

#include <opencv2/imgcodecs.hpp>

#include <atomic>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tl::testing {

// A key image with a tiny picture file of its own in `folder`.
inline WallpaperImage keyImageWithFile(const std::filesystem::path& folder, const std::string& name, double hour)
{
    WallpaperImage image { .id = Uuid::random(), .fileName = name };
    image.timeOfDay = hour;
    const auto file = folder / name;
    cv::imwrite(file.string(), cv::Mat(4, 4, CV_8UC3, cv::Scalar::all(0)));
    image.sourcePath = file.string();
    return image;
}

// A tween engine that writes tiny PNG files (or, when asked, files that are no pictures), fails
// on the pair whose source is `failingSource`, and remembers every call.
class ScriptedTweenEngine final : public ui::TweenEngine {
public:
    struct Call {
        std::string source;
        std::string target;
        int count;
        std::filesystem::path folder;
        std::string baseName;
    };

    Result<std::vector<std::shared_ptr<const Image>>, EngineError> previewTweens(const std::string& source,
        const std::string& target, int count, const Progress& progress, std::stop_token) const override
    {
        if (count < 1) return EngineError(TweenGeneratorError::invalidImageCount);
        std::vector<std::shared_ptr<const Image>> previews;
        for (int k = 1; k <= count; ++k) {
            previews.push_back(std::make_shared<const Image>(cv::Mat(4, 4, CV_8UC4, cv::Scalar::all(0))));
            if (progress) progress(k, count);
        }
        record({ source, target, count, {}, {} }, true);
        return previews;
    }

    Result<std::vector<std::string>, EngineError> writeTweens(const std::string& source, const std::string& target,
        int count, const std::filesystem::path& folder, const std::string& baseName, const Progress& progress,
        std::stop_token) const override
    {
        record({ source, target, count, folder, baseName }, false);
        if (count < 1) return EngineError(TweenGeneratorError::invalidImageCount);
        if (failingSource && source == *failingSource) return EngineError(TweenGeneratorError::processingFailed);
        std::filesystem::create_directories(folder);
        if (throwsAfterFirstFile) {
            cv::imwrite((folder / (baseName + "_tween_1.png")).string(), cv::Mat(4, 4, CV_8UC3));
            throw cv::Exception(
                cv::Error::StsNoMem, "Failed to allocate 2700000000 bytes", "blend", __FILE__, __LINE__);
        }
        std::vector<std::string> paths;
        for (int k = 1; k <= count; ++k) {
            const auto file = folder / (baseName + "_tween_" + std::to_string(k) + ".png");
            if (writeNonPictures) {
                std::ofstream(file) << "not a picture";
            } else {
                cv::imwrite(file.string(), cv::Mat(4, 4, CV_8UC3, cv::Scalar(10, 20, 30)));
            }
            paths.push_back(file.string());
            if (progress) progress(k, count);
        }
        return paths;
    }

    std::vector<Call> fileCalls() const
    {
        std::lock_guard lock(mutex_);
        return files_;
    }
    int previewCalls() const { return previews_; }

    std::optional<std::string> failingSource;
    bool writeNonPictures = false;
    // Writes one file, then runs out of memory the way OpenCV reports it.
    bool throwsAfterFirstFile = false;

private:
    void record(Call call, bool preview) const
    {
        std::lock_guard lock(mutex_);
        if (preview) {
            ++previews_;
        } else {
            files_.push_back(std::move(call));
        }
    }

    mutable std::mutex mutex_;
    mutable std::vector<Call> files_;
    mutable std::atomic<int> previews_ { 0 };
};

} // namespace tl::testing
