#include "ui/library/TweenEngine.h"

#include "engine/LinearLightBlend.h"
#include "platform/ImageDecoding.h"

#include <opencv2/imgproc.hpp>

namespace tl::ui {
namespace {

class EngineTweens final : public TweenEngine {
public:
    Result<std::vector<std::shared_ptr<const Image>>, EngineError> previewTweens(const std::string& source,
        const std::string& target, int count, const Progress& progress, std::stop_token stop) const override
    {
        if (count < 1) return EngineError(TweenGeneratorError::invalidImageCount);
        cv::Mat from = decodePreview(source, previewLongSide);
        cv::Mat to = decodePreview(target, previewLongSide);
        if (from.empty() || to.empty()) return EngineError(TweenGeneratorError::imageLoadFailed);
        if (from.channels() == 3) cv::cvtColor(from, from, cv::COLOR_BGR2BGRA);
        if (to.channels() == 3) cv::cvtColor(to, to, cv::COLOR_BGR2BGRA);
        if (to.size() != from.size()) cv::resize(to, to, from.size(), 0, 0, cv::INTER_AREA);
        std::vector<std::shared_ptr<const Image>> previews;
        for (int index = 1; index <= count; ++index) {
            if (stop.stop_requested()) return EngineError(Cancelled {});
            previews.push_back(
                std::make_shared<const Image>(blendLinearLight(from, to, TweenGenerator::easedTime(index, count))));
            if (progress) progress(index, count);
        }
        return previews;
    }

    Result<std::vector<std::string>, EngineError> writeTweens(const std::string& source, const std::string& target,
        int count, const std::filesystem::path& folder, const std::string& baseName, const Progress& progress,
        std::stop_token stop) const override
    {
        return generator_.generateTweenFiles(source, target, count, folder, baseName, progress, std::move(stop));
    }

private:
    TweenGenerator generator_;
};

} // namespace

std::shared_ptr<const TweenEngine> engineTweens()
{
    return std::make_shared<const EngineTweens>();
}

} // namespace tl::ui
