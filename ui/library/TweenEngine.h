#pragma once

#include "engine/EngineError.h"
#include "engine/TweenGenerator.h"
#include "platform/Image.h"
#include "platform/Result.h"

#include <filesystem>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace tl::ui {

// The blending the library's tween runs need, behind an interface so the runs can be driven
// by a scripted engine in tests. Called on worker threads; implementations keep no state.
class TweenEngine {
public:
    using Progress = TweenGenerator::Progress;

    virtual ~TweenEngine() = default;

    // Small pictures of the `count` frames a run would write (long side at most
    // `previewLongSide`), so a preview pass never holds full-size frames.
    virtual Result<std::vector<std::shared_ptr<const Image>>, EngineError> previewTweens(const std::string& source,
        const std::string& target, int count, const Progress& progress, std::stop_token stop) const = 0;

    // The frames written as <baseName>_tween_<k>.png into `folder`; their paths in order.
    virtual Result<std::vector<std::string>, EngineError> writeTweens(const std::string& source,
        const std::string& target, int count, const std::filesystem::path& folder, const std::string& baseName,
        const Progress& progress, std::stop_token stop) const = 0;

    static constexpr int previewLongSide = 256;
};

// The wallpaper engine's tween generator.
std::shared_ptr<const TweenEngine> engineTweens();

} // namespace tl::ui
