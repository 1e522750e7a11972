#include "ui/library/TweenRuns.h"

#include "app/Thumbnail.h"
#include "app/TweenRecord.h"
#include "platform/Uuid.h"

#include <algorithm>

namespace tl::ui {
namespace {

namespace fs = std::filesystem;

std::string underscoredDots(std::string name)
{
    std::ranges::replace(name, '.', '_');
    return name;
}

// Progress of one engine pass as a fraction of that pass.
TweenEngine::Progress passProgress(const RunProgress& progress)
{
    return [&progress](int done, int total) {
        if (progress) progress(total > 0 ? static_cast<double>(done) / total : 0.0);
    };
}

} // namespace

bool hasFile(const WallpaperImage& image)
{
    std::error_code error;
    return image.sourcePath && fs::exists(*image.sourcePath, error);
}

std::vector<WallpaperImage> tweenRecords(const WallpaperImage& source, const WallpaperImage& target,
    const std::vector<std::string>& paths, int count, WallpaperMode mode)
{
    std::vector<WallpaperImage> records;
    records.reserve(paths.size());
    for (std::size_t k = 0; k < paths.size(); ++k) {
        auto record = makeTweenRecord(source, target, { static_cast<int>(k) + 1, count }, mode, paths[k]);
        record.thumbnail = loadThumbnail(paths[k]);
        records.push_back(std::move(record));
    }
    return records;
}

fs::path newTweenRunFolder()
{
    return fs::temp_directory_path() / tweenWorkFolderName / Uuid::random().text();
}

std::string manualTweenBaseName(const std::string& sourceFileName)
{
    return underscoredDots(sourceFileName);
}

std::string autoTweenBaseName(const std::string& sourceFileName, const std::string& targetFileName)
{
    return underscoredDots(sourceFileName + "_to_" + targetFileName);
}

Result<std::vector<WallpaperImage>, EngineError> runManualTweens(
    const TweenEngine& engine, const ManualTweenJob& job, const ManualTweenReports& reports, std::stop_token stop)
{
    const std::string source = job.source.sourcePath.value_or("");
    const std::string target = job.target.sourcePath.value_or("");
    auto previews = engine.previewTweens(source, target, job.count, passProgress(reports.progress), stop);
    if (!previews) return previews.error();
    if (reports.previews) reports.previews(std::move(previews).value());

    auto paths = engine.writeTweens(source, target, job.count, job.folder, manualTweenBaseName(job.source.fileName),
        passProgress(reports.progress), stop);
    if (!paths) return paths.error();
    if (stop.stop_requested()) return EngineError(Cancelled {});
    return tweenRecords(job.source, job.target, paths.value(), job.count, job.mode);
}

Result<std::vector<WallpaperImage>, EngineError> runAutoTweens(
    const TweenEngine& engine, const AutoTweenJob& job, const RunProgress& progress, std::stop_token stop)
{
    const int perPair = std::max(1, job.count);
    const double total = std::max(1.0, static_cast<double>(perPair) * static_cast<double>(job.keys.size()));
    const auto report = [&](double done) {
        if (progress) progress(done / total);
    };
    std::vector<WallpaperImage> timeline;
    for (std::size_t i = 0; i < job.keys.size(); ++i) {
        const WallpaperImage& source = job.keys[i];
        const WallpaperImage& target = job.keys[(i + 1) % job.keys.size()];
        timeline.push_back(source);
        if (!hasFile(source) || !hasFile(target)) return EngineError(TweenGeneratorError::imageLoadFailed);
        const double before = static_cast<double>(i) * job.count;
        auto paths = engine.writeTweens(
            *source.sourcePath, *target.sourcePath, job.count, job.root / source.id.text(),
            autoTweenBaseName(source.fileName, target.fileName), [&](int done, int) { report(before + done); }, stop);
        if (!paths) return paths.error();
        std::ranges::move(
            tweenRecords(source, target, paths.value(), job.count, job.mode), std::back_inserter(timeline));
        report(static_cast<double>(i + 1) * perPair);
    }
    if (stop.stop_requested()) return EngineError(Cancelled {});
    return timeline;
}

} // namespace tl::ui
