#pragma once

#include "model/WallpaperImage.h"
#include "model/WallpaperMode.h"
#include "ui/library/TweenEngine.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace tl::ui {

// The bodies of the library's two tween runs. They block: the library runs them on a worker and
// posts what they report to the GUI thread. Nothing here touches the state store.

// A fraction 0...1 of the current run.
using RunProgress = std::function<void(double)>;

// Name of the folder under the temporary folder that holds the library's tween runs.
inline constexpr const char* tweenWorkFolderName = "TidelumineTweens";

// A new, not yet created run folder: <temporary folder>/TidelumineTweens/<new UUID>.
std::filesystem::path newTweenRunFolder();

// Base names of the written files: every "." becomes "_".
std::string manualTweenBaseName(const std::string& sourceFileName);
std::string autoTweenBaseName(const std::string& sourceFileName, const std::string& targetFileName);

// Whether the image's file is there to blend from.
bool hasFile(const WallpaperImage& image);

// The records of one pair's written files, numbered 1...`count`, each with a preview-sized
// thumbnail decoded on the calling thread; a file that does not decode still gives a record,
// without a thumbnail.
std::vector<WallpaperImage> tweenRecords(const WallpaperImage& source, const WallpaperImage& target,
    const std::vector<std::string>& paths, int count, WallpaperMode mode);

// One key image, the image its tweens end at, and how many to make.
struct ManualTweenJob {
    WallpaperImage source;
    WallpaperImage target;
    int count = 0;
    WallpaperMode mode = WallpaperMode::time;
    std::filesystem::path folder;
};

struct ManualTweenReports {
    RunProgress progress;
    // The preview pass has finished, with its small pictures.
    std::function<void(std::vector<std::shared_ptr<const Image>>)> previews;
};

// The preview pass and then the file pass, each taking the bar from 0 to 1; the records of the
// written files, in order.
Result<std::vector<WallpaperImage>, EngineError> runManualTweens(
    const TweenEngine& engine, const ManualTweenJob& job, const ManualTweenReports& reports, std::stop_token stop);

// Every key image paired with the next, the last with the first.
struct AutoTweenJob {
    std::vector<WallpaperImage> keys;
    int count = 0;
    WallpaperMode mode = WallpaperMode::time;
    std::filesystem::path root;
};

// The new timeline: every key image followed by its new tweens, in key order. The first pair
// that fails ends the run; its error is the run's.
Result<std::vector<WallpaperImage>, EngineError> runAutoTweens(
    const TweenEngine& engine, const AutoTweenJob& job, const RunProgress& progress, std::stop_token stop);

} // namespace tl::ui
