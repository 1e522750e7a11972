#include "ui/library/TweenInsertion.h"

#include "platform/Log.h"
#include "platform/qt/EventLoop.h"
#include "ui/library/TweenRuns.h"

#include <algorithm>
#include <filesystem>

namespace tl::ui {
namespace {

// A run that did not finish leaves nothing behind in its folder.
void removeFolderQuietly(const std::filesystem::path& folder)
{
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace

TweenInsertion::TweenInsertion(
    AppState& appState, const LibraryViewModel& library, std::shared_ptr<const TweenEngine> engine, QObject* parent)
    : QObject(parent)
    , appState_(appState)
    , library_(library)
    , engine_(std::move(engine))
    , runs_(postToMainThread)
{
}

TweenInsertion::~TweenInsertion() = default;

std::optional<WallpaperImage> TweenInsertion::targetImage() const
{
    const auto& source = tweenSourceImage.get();
    if (!source) return std::nullopt;
    auto target = library_.tweenTarget(*source);
    if (!target) return std::nullopt;
    return std::move(target->target);
}

void TweenInsertion::openTweenSheet(const WallpaperImage& image)
{
    if (!library_.tweenTarget(image)) return;
    tweenSourceImage = image;
    generatedTweens = std::vector<std::shared_ptr<const Image>> {};
    isAutoTweenMode = false;
    showingTweenSheet = true;
}

void TweenInsertion::generateTweensForSelection()
{
    if (const auto selected = appState_.selectedImage()) openTweenSheet(*selected);
}

void TweenInsertion::beginAutoTween()
{
    if (!library_.canAutoTween()) return;
    tweenSourceImage = std::nullopt;
    generatedTweens = std::vector<std::shared_ptr<const Image>> {};
    isAutoTweenMode = true;
    showingTweenSheet = true;
}

void TweenInsertion::startTweenRun()
{
    failureText = std::nullopt;
    if (isAutoTweenMode.get()) {
        startAutoRun();
    } else {
        startManualRun();
    }
}

void TweenInsertion::cancel()
{
    showingTweenSheet = false;
    isAutoTweenMode = false;
}

void TweenInsertion::beginRun()
{
    isGeneratingTweens = true;
    tweenProgress = 0;
    generatedTweens = std::vector<std::shared_ptr<const Image>> {};
}

void TweenInsertion::startManualRun()
{
    const auto source = tweenSourceImage.get();
    const auto target = source ? library_.tweenTarget(*source) : std::nullopt;
    if (!target || !hasFile(*source)) {
        log("Invalid source image for tween generation");
        return;
    }
    if (!hasFile(target->target)) {
        log("Invalid target image for tween generation");
        return;
    }
    beginRun();
    ManualTweenJob job { .source = *source,
        .target = target->target,
        .count = tweenCount.get(),
        .mode = appState_.mode.get(),
        .folder = newTweenRunFolder() };
    const std::size_t fallback = target->insertIndex;
    runs_.start([this, engine = engine_, job = std::move(job), fallback](const WorkerRuns::Run& run) {
        const auto post = [&run](std::function<void()> apply) { run.post(std::move(apply)); };
        const ManualTweenReports reports {
            .progress = [&](double fraction) { post([this, fraction] { tweenProgress = fraction; }); },
            .previews =
                [&](std::vector<std::shared_ptr<const Image>> previews) {
                    post([this, previews = std::move(previews)]() mutable { generatedTweens = std::move(previews); });
                },
        };
        auto records = catchingThrown([&] { return runManualTweens(*engine, job, reports, run.stopToken()); });
        if (!records) removeFolderQuietly(job.folder);
        if (!records) {
            if (records.error().isCancelled()) return;
            post([this, text = records.error().description()] { reportFailure("Tween generation failed: " + text); });
            return;
        }
        post([this, records = std::move(records).value(), source = job.source, fallback]() mutable {
            insertManualTweens(std::move(records), source, fallback);
        });
    });
}

void TweenInsertion::startAutoRun()
{
    std::vector<WallpaperImage> keys;
    std::ranges::copy_if(appState_.images.get(), std::back_inserter(keys), [](const auto& i) { return !i.isTween; });
    if (keys.size() <= 1) {
        isAutoTweenMode = false;
        return;
    }
    beginRun();
    AutoTweenJob job {
        .keys = std::move(keys), .count = tweenCount.get(), .mode = appState_.mode.get(), .root = newTweenRunFolder()
    };
    runs_.start([this, engine = engine_, job = std::move(job)](const WorkerRuns::Run& run) {
        const auto post = [&run](std::function<void()> apply) { run.post(std::move(apply)); };
        auto timeline = catchingThrown([&] {
            return runAutoTweens(
                *engine, job, [&](double fraction) { post([this, fraction] { tweenProgress = fraction; }); },
                run.stopToken());
        });
        if (!timeline) removeFolderQuietly(job.root);
        if (!timeline) {
            if (timeline.error().isCancelled()) return;
            post([this, text = timeline.error().description()] {
                reportFailure("Auto tween generation failed: " + text);
            });
            return;
        }
        post([this, timeline = std::move(timeline).value()]() mutable { finishAutoTween(std::move(timeline)); });
    });
}

void TweenInsertion::insertManualTweens(
    std::vector<WallpaperImage> records, const WallpaperImage& source, std::size_t fallback)
{
    // The timeline may have changed while the run was blending: the tweens go after the source
    // image where it stands now.
    const auto position = indexOfImage(appState_.images.get(), source.id);
    const std::size_t index = position ? *position + 1 : fallback;
    appState_.insertImages(std::move(records), static_cast<std::ptrdiff_t>(index), "Add Tweens");
    isGeneratingTweens = false;
    showingTweenSheet = false;
    isAutoTweenMode = false;
}

void TweenInsertion::finishAutoTween(std::vector<WallpaperImage> timeline)
{
    appState_.replaceImages(std::move(timeline), "Auto Tween", true);
    isGeneratingTweens = false;
    showingTweenSheet = false;
    isAutoTweenMode = false;
}

void TweenInsertion::reportFailure(const std::string& line)
{
    isGeneratingTweens = false;
    isAutoTweenMode = false;
    log(line);
    failureText = line;
}

void TweenInsertion::waitForRun()
{
    runs_.waitForWorkers();
}

} // namespace tl::ui
