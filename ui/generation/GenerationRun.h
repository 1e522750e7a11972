#pragma once

#include "model/WallpaperImage.h"
#include "platform/Result.h"
#include "platform/WorkerRuns.h"
#include "ui/generation/PhaseStatus.h"
#include "ui/generation/RunError.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace tl::ui {

class CreateWallpaperModel;

// The form as it stood when a run started; later edits of the form do not reach the run.
struct RunInputs {
    std::string prompt; // trimmed
    std::string model; // trimmed; the server road's has "local/" removed
    std::optional<std::string> startingImage;
    int tweenCount = 0;
    std::string size;
    std::string aspectRatio;
    std::string sceneDescription;
    int expectedFrameCount = 0;
};

// How a run ended; `message` is the failure's text.
struct RunOutcome {
    enum class Kind { completed, cancelled, failed };
    Kind kind;
    std::string message;
};

// Completed, or cancelled when the run was asked to stop (whatever its aborted request then
// reported), else failed with the error's text.
RunOutcome outcomeOf(const Result<void, RunError>& result, bool stopRequested);

class RunChannel;

// Runs a road; what it throws (a failed allocation while decoding a frame, say) fails the run
// with what went wrong instead of leaving the worker.
Result<void, RunError> runCatching(
    const std::function<Result<void, RunError>(const RunChannel&)>& road, const RunChannel& channel);

// The worker side of one run: every report is queued for the GUI thread, where the sheet's
// model applies it while the run is still its current, unstopped one. Closing the batch and the
// end are queued even for a stopped run, so a cancel still ends the run and closes its batch.
class RunChannel {
public:
    RunChannel(CreateWallpaperModel& model, const WorkerRuns::Run& run, std::uint64_t serial);

    const std::stop_token& stopToken() const { return run_.stopToken(); }
    bool stopRequested() const { return run_.stopToken().stop_requested(); }

    void phase(std::string id, PhaseStatus status) const;
    void progress(std::optional<double> fraction, std::optional<std::string> message = std::nullopt) const;
    // Decodes the frame here, on the worker.
    void preview(std::string_view bytes) const;
    // Writes the timeline in time mode with the project path cleared.
    void publish(std::vector<WallpaperImage> images) const;
    void closeBatch() const;
    void end(RunOutcome outcome) const;

private:
    CreateWallpaperModel* model_;
    const WorkerRuns::Run& run_;
    std::uint64_t serial_;
};

} // namespace tl::ui
