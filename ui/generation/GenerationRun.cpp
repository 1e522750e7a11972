#include "ui/generation/GenerationRun.h"

#include "ui/common/ImageConversion.h"
#include "ui/generation/CreateWallpaperModel.h"

namespace tl::ui {

RunOutcome outcomeOf(const Result<void, RunError>& result, bool stopRequested)
{
    if (result) return { RunOutcome::Kind::completed, {} };
    if (stopRequested || isCancellation(result.error())) return { RunOutcome::Kind::cancelled, {} };
    return { RunOutcome::Kind::failed, describe(result.error()) };
}

Result<void, RunError> runCatching(
    const std::function<Result<void, RunError>(const RunChannel&)>& road, const RunChannel& channel)
{
    try {
        return road(channel);
    } catch (...) {
        return currentExceptionRunError();
    }
}

RunChannel::RunChannel(CreateWallpaperModel& model, const WorkerRuns::Run& run, std::uint64_t serial)
    : model_(&model)
    , run_(run)
    , serial_(serial)
{
}

void RunChannel::phase(std::string id, PhaseStatus status) const
{
    run_.post([model = model_, id = std::move(id), status] { model->applyPhase(id, status); });
}

void RunChannel::progress(std::optional<double> fraction, std::optional<std::string> message) const
{
    run_.post([model = model_, fraction, message = std::move(message)] { model->applyProgress(fraction, message); });
}

void RunChannel::preview(std::string_view bytes) const
{
    run_.post(
        [model = model_, picture = qImageFromBytes(bytes)]() mutable { model->applyPreview(std::move(picture)); });
}

void RunChannel::publish(std::vector<WallpaperImage> images) const
{
    run_.post([model = model_, images = std::move(images)]() mutable { model->applyPublication(std::move(images)); });
}

void RunChannel::closeBatch() const
{
    run_.postAlways([model = model_, serial = serial_] { model->releaseBatch(serial, true); });
}

void RunChannel::end(RunOutcome outcome) const
{
    run_.postAlways([model = model_, serial = serial_, outcome = std::move(outcome)] {
        model->releaseBatch(serial, outcome.kind == RunOutcome::Kind::completed);
        model->applyEnd(serial, outcome);
    });
}

} // namespace tl::ui
