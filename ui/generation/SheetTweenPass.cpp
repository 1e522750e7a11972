#include "ui/generation/SheetTweenPass.h"

#include "engine/TweenGenerator.h"
#include "platform/Text.h"
#include "ui/generation/GenerationRun.h"
#include "ui/library/TweenRuns.h"

#include <algorithm>
#include <atomic>
#include <iterator>

namespace tl::ui {

std::string tweenBaseName(const std::string& fileName)
{
    return manualTweenBaseName(fileName) + "_tween";
}

Result<std::vector<WallpaperImage>, RunError> runTweenPass(const std::vector<WallpaperImage>& keys,
    const std::filesystem::path& folder, int count, TweenPassCounts counts, const RunChannel& channel)
{
    std::vector<WallpaperImage> list = keys;
    if (count < 1) return list;
    const TweenGenerator generator;
    // Read by progress reports on the blending thread while this thread moves it on.
    std::atomic<int> completed = counts.completed;
    const auto total = std::max(counts.total, 1);

    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (channel.stopRequested()) return RunError(EngineError(Cancelled {}));
        const auto& source = keys[i];
        const auto& target = keys[(i + 1) % keys.size()];
        if (!source.sourcePath || !target.sourcePath)
            return RunError(GenerationFailure(ImageGenerationError::invalidResponse()));

        const auto message = "Tweening " + escapedForDisplay(source.fileName) + "...";
        auto files = generator.generateTweenFiles(
            *source.sourcePath, *target.sourcePath, count, folder / source.id.text(), tweenBaseName(source.fileName),
            [&](int done, int) { channel.progress(static_cast<double>(completed.load() + done) / total, message); },
            channel.stopToken());
        if (!files) return RunError(files.error());

        auto records = tweenRecords(source, target, files.value(), count, WallpaperMode::time);
        if (channel.stopRequested()) return RunError(EngineError(Cancelled {}));
        // The source is always in the list: it starts as the keys and only ever grows.
        const auto behindSource = list.begin() + static_cast<std::ptrdiff_t>(*indexOfImage(list, source.id)) + 1;
        list.insert(behindSource, std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
        completed += count;
        channel.publish(list);
    }
    return list;
}

} // namespace tl::ui
